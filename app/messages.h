// The tool's console texts, stored once as their code page 936 bytes (the Chinese
// console code page the game's players use). Windows writes them as they are; POSIX
// converts them to UTF-8 before writing. Each is one printf format.
#ifndef SAVETITLE_APP_MESSAGES_H_
#define SAVETITLE_APP_MESSAGES_H_

// clang-format off

// "请将我复制到<Lanternfall>存档目录运行!!!!" "位置在[游戏目录%cconfig%cSaveData]", a line each,
// the two %c taking the platform's path separator:
// Please copy me into the Lanternfall save folder and run me. It is at [game folder\config\SaveData].
inline constexpr char kInstructionMessage[] =
    "\xc7\xeb\xbd\xab\xce\xd2\xb8\xb4\xd6\xc6\xb5\xbd<Lanternfall>\xb4\xe6\xb5\xb5\xc4\xbf\xc2\xbc"
    "\xd4\xcb\xd0\xd0!!!!\n\xce\xbb\xd6\xc3\xd4\xda[\xd3\xce\xcf\xb7\xc4\xbf\xc2\xbc%cconfig%cSaveData]\n";

// "正在尝试修复自动存档.": Now trying to repair the automatic saves.
inline constexpr char kAutomaticStartMessage[] =
    "\xd5\xfd\xd4\xda\xb3\xa2\xca\xd4\xd0\xde\xb8\xb4\xd7\xd4\xb6\xaf\xb4\xe6\xb5\xb5.\n";

// "done!一共成功处理了%d个自动存档", then two empty lines:
// done! Processed %d automatic saves successfully in all.
inline constexpr char kAutomaticDoneMessage[] =
    "done!\xd2\xbb\xb9\xb2\xb3\xc9\xb9\xa6\xb4\xa6\xc0\xed\xc1\xcb%d\xb8\xf6\xd7\xd4\xb6\xaf\xb4\xe6"
    "\xb5\xb5\n\n\n";

// "正在尝试修复正常存档.": Now trying to repair the normal saves.
inline constexpr char kManualStartMessage[] =
    "\xd5\xfd\xd4\xda\xb3\xa2\xca\xd4\xd0\xde\xb8\xb4\xd5\xfd\xb3\xa3\xb4\xe6\xb5\xb5.\n";

// "done!一共成功处理了%d个正常存档": done! Processed %d normal saves successfully in all.
inline constexpr char kManualDoneMessage[] =
    "done!\xd2\xbb\xb9\xb2\xb3\xc9\xb9\xa6\xb4\xa6\xc0\xed\xc1\xcb%d\xb8\xf6\xd5\xfd\xb3\xa3\xb4\xe6"
    "\xb5\xb5\n";

// "找到第%d个存档,正在处理...": Found save number %d, now processing it.
inline constexpr char kProcessingMessage[] =
    "\xd5\xd2\xb5\xbd\xb5\xda%d\xb8\xf6\xb4\xe6\xb5\xb5,\xd5\xfd\xd4\xda\xb4\xa6\xc0\xed...\n";

// "找到第%d个存档,但由于存档数据不完整,无法修复...跪了...":
// Found save number %d, but its data is incomplete and cannot be repaired; given up.
inline constexpr char kIncompleteMessage[] =
    "\xd5\xd2\xb5\xbd\xb5\xda%d\xb8\xf6\xb4\xe6\xb5\xb5,\xb5\xab\xd3\xc9\xd3\xda\xb4\xe6\xb5\xb5\xca"
    "\xfd\xbe\xdd\xb2\xbb\xcd\xea\xd5\xfb,\xce\xde\xb7\xa8\xd0\xde\xb8\xb4...\xb9\xf2\xc1\xcb...\n";

// "无法写入标题文件:%s": Cannot write the title file %s.
inline constexpr char kTitleWriteFailedMessage[] =
    "\xce\xde\xb7\xa8\xd0\xb4\xc8\xeb\xb1\xea\xcc\xe2\xce\xc4\xbc\xfe:%s\n";

// "内存不足,未写入标题文件:%s": Not enough memory; the title file %s was not written.
inline constexpr char kOutOfMemoryMessage[] =
    "\xc4\xda\xb4\xe6\xb2\xbb\xd7\xe3,\xce\xb4\xd0\xb4\xc8\xeb\xb1\xea\xcc\xe2\xce\xc4\xbc\xfe:%s\n";

// "存档目录路径太长,无法修复!!!!": The save folder's path is too long; cannot repair.
inline constexpr char kPathTooLongMessage[] =
    "\xb4\xe6\xb5\xb5\xc4\xbf\xc2\xbc\xc2\xb7\xbe\xb6\xcc\xab\xb3\xa4,\xce\xde\xb7\xa8\xd0\xde\xb8"
    "\xb4!!!!\n";

// The command line's help, in Chinese and English, each line at most 80 columns wide (a
// Chinese character takes two), the width of a console window as Windows opens it:
//   用法: SaveTitleRebuild [文件夹]
//   Usage: SaveTitleRebuild [FOLDER]
//   根据存档重建 Lanternfall 的两个标题文件, 使读档菜单重新显示所有存档。
//   Rebuilds Lanternfall's two title files from the saves, so that the load menu
//   shows every save again.
//   文件夹: 游戏目录或存档目录 (游戏目录\config\SaveData);
//           省略时为本程序所在的目录。
//   FOLDER: the game folder or the save folder (game folder\config\SaveData);
//           without it, the folder this program is in.
//   -h, --help, /?   显示本说明 / show this help
//   --version        显示版本 / show the version
inline constexpr char kUsageMessage[] =
    "\xd3\xc3\xb7\xa8: SaveTitleRebuild [\xce\xc4\xbc\xfe\xbc\xd0]\n"
    "Usage: SaveTitleRebuild [FOLDER]\n"
    "\n"
    "\xb8\xf9\xbe\xdd\xb4\xe6\xb5\xb5\xd6\xd8\xbd\xa8 Lanternfall \xb5\xc4\xc1\xbd\xb8\xf6\xb1\xea"
    "\xcc\xe2\xce\xc4\xbc\xfe, \xca\xb9\xb6\xc1\xb5\xb5\xb2\xcb\xb5\xa5\xd6\xd8\xd0\xc2\xcf\xd4"
    "\xca\xbe\xcb\xf9\xd3\xd0\xb4\xe6\xb5\xb5\xa1\xa3\n"
    "Rebuilds Lanternfall's two title files from the saves, so that the load menu\n"
    "shows every save again.\n"
    "\n"
    "\xce\xc4\xbc\xfe\xbc\xd0: \xd3\xce\xcf\xb7\xc4\xbf\xc2\xbc\xbb\xf2\xb4\xe6\xb5\xb5\xc4\xbf"
    "\xc2\xbc (\xd3\xce\xcf\xb7\xc4\xbf\xc2\xbc\\config\\SaveData);\n"
    "        \xca\xa1\xc2\xd4\xca\xb1\xce\xaa\xb1\xbe\xb3\xcc\xd0\xf2\xcb\xf9\xd4\xda\xb5\xc4\xc4\xbf"
    "\xc2\xbc\xa1\xa3\n"
    "FOLDER: the game folder or the save folder (game folder\\config\\SaveData);\n"
    "        without it, the folder this program is in.\n"
    "\n"
    "  -h, --help, /?   \xcf\xd4\xca\xbe\xb1\xbe\xcb\xb5\xc3\xf7 / show this help\n"
    "  --version        \xcf\xd4\xca\xbe\xb0\xe6\xb1\xbe / show the version\n";

// "错误: 只能指定一个文件夹 / Error: name one folder at most", before the help.
inline constexpr char kTwoFoldersMessage[] =
    "\xb4\xed\xce\xf3: \xd6\xbb\xc4\xdc\xd6\xb8\xb6\xa8\xd2\xbb\xb8\xf6\xce\xc4\xbc\xfe\xbc\xd0 / "
    "Error: name one folder at most\n\n";

// "错误: 未知选项 / Error: unknown option: %s", before the help.
inline constexpr char kUnknownOptionMessage[] =
    "\xb4\xed\xce\xf3: \xce\xb4\xd6\xaa\xd1\xa1\xcf\xee / Error: unknown option: %s\n\n";

// "错误: 找不到文件夹 / Error: no such folder: %s", before the help.
inline constexpr char kNoSuchFolderMessage[] =
    "\xb4\xed\xce\xf3: \xd5\xd2\xb2\xbb\xb5\xbd\xce\xc4\xbc\xfe\xbc\xd0 / Error: no such folder: "
    "%s\n\n";

// "请按任意键继续. . .": Press any key to continue . . . (written by the tool itself to the
// terminal or console where the key is pressed, even when the output is redirected; where
// Windows input is no console, the command processor's own pause prints its prompt).
inline constexpr char kPausePrompt[] = "\xc7\xeb\xb0\xb4\xc8\xce\xd2\xe2\xbc\xfc\xbc\xcc\xd0\xf8. . .";
// clang-format on

#endif  // SAVETITLE_APP_MESSAGES_H_
