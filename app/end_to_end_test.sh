#!/usr/bin/env bash
# Runs the built tool the way players do, copied into save folders and game folders,
# and compares its exit status, every byte it prints and every byte it writes.
#   end_to_end_test.sh TOOL [EMULATOR...]
# A Windows build (TOOL ending in .exe) prints code page 936 with CRLF line ends, POSIX
# prints UTF-8 with LF; the title files are the same bytes on both.
set -uo pipefail

tool=$(realpath "$1")
shift
emulator=("$@")
windows=0
[[ $tool == *.exe ]] && windows=1
name=$(basename "$tool")

work=$(mktemp -d)
# Wine may leave the command processor of a run killed as it started "pause" waiting for
# ever; whatever still works in the test's folders goes with them.
leftovers() {
  local process
  for process in /proc/[0-9]*; do
    [[ $(readlink "$process/cwd" 2>/dev/null) == "$work"/* ]] && echo "${process#/proc/}"
  done
}
trap 'kill -9 $(leftovers) 2>/dev/null; rm -rf "$work" ${shm:+"$shm"}' EXIT
failures=0
passes=0

fail() {
  echo "FAIL [$case_name] $*"
  failures=$((failures + 1))
}

# --- expected texts --------------------------------------------------------------

BOM=$'\xEF\xBB\xBF'
T=$'\t'
N=$'\n'

member() { printf '%s' "$T$T\"$1\":$T$2"; }
empty_entry() {
  printf '%s' "{$N$(member m_bHaveData false),$N$(member m_strPlayerName '""'),$N$(member m_strPlaceName '""'),$N$(member m_strTime '""'),$N$(member m_strYear '""'),$N$(member m_strMonth '""'),$N$(member m_strPlayerIconName '""'),$N$(member m_strTrueTime null),$N$(member m_strTrueYear null)$N$T}"
}
# filled_entry NAME PLACE YEAR ICON DATE
filled_entry() {
  printf '%s' "{$N$(member m_bHaveData true),$N$(member m_strPlayerName "\"$1\""),$N$(member m_strPlaceName "\"$2\""),$N$(member m_strTime '""'),$N$(member m_strYear "$3"),$N$(member m_strMonth '""'),$N$(member m_strPlayerIconName "$4"),$N$(member m_strTrueTime '"1"'),$N$(member m_strTrueYear "\"$5\"")$N$T}"
}
# title_file [SLOT ENTRY]...: 20 entries, the given slots filled.
title_file() {
  local -A filled=()
  while (($# > 0)); do
    filled[$1]=$2
    shift 2
  done
  local text="$BOM[" slot
  for ((slot = 0; slot < 20; slot++)); do
    ((slot > 0)) && text+=", "
    text+=${filled[$slot]:-$(empty_entry)}
  done
  printf '%s' "$text]"
}

# Console texts end lines with $L, which expect_output turns into line feeds: command
# substitution would drop trailing line feeds.
L='@NL@'
# The save folder's place, with the separator of the platform's paths.
sep=/ && ((windows)) && sep='\'
INSTRUCTION="请将我复制到<Lanternfall>存档目录运行!!!!${L}位置在[游戏目录${sep}config${sep}SaveData]$L"
TOO_LONG="存档目录路径太长,无法修复!!!!$L"
USAGE="用法: SaveTitleRebuild [文件夹]${L}Usage: SaveTitleRebuild [FOLDER]$L${L}\
根据存档重建 Lanternfall 的两个标题文件, 使读档菜单重新显示所有存档。${L}\
Rebuilds Lanternfall's two title files from the saves, so that the load menu${L}shows every save again.$L${L}\
文件夹: 游戏目录或存档目录 (游戏目录\\config\\SaveData);$L        省略时为本程序所在的目录。${L}\
FOLDER: the game folder or the save folder (game folder\\config\\SaveData);$L        without it, the folder this program is in.$L${L}\
  -h, --help, /?   显示本说明 / show this help${L}\
  --version        显示版本 / show the version$L"
PAUSE_PROMPT="请按任意键继续. . ."
processing() { printf '%s' "找到第$1个存档,正在处理...$L"; }
incomplete() { printf '%s' "找到第$1个存档,但由于存档数据不完整,无法修复...跪了...$L"; }
cannot_write() { printf '%s' "无法写入标题文件:$(native_path "$1")$L"; }
out_of_memory() { printf '%s' "内存不足,未写入标题文件:$(native_path "$1")$L"; }
# run_output AUTOMATIC_LINES AUTOMATIC_COUNT MANUAL_LINES MANUAL_COUNT
run_output() {
  printf '%s' "正在尝试修复自动存档.$L$1done!一共成功处理了$2个自动存档$L$L${L}正在尝试修复正常存档.$L$3done!一共成功处理了$4个正常存档$L"
}

SAVE_MOLAN="$BOM{\"m_strPlayerLastName\":\"Mo\",\"m_strPlayerName\":\"Lan\",\"m_strSceneName\":\"Riverside\",\"m_iYear\":3,\"m_PlayerIconID\":\"12\"}"
ENTRY_MOLAN=$(filled_entry MoLan Riverside 3 12 2015/08/01)
SAVE_CHINESE="$BOM{\"m_strPlayerLastName\":\"莫\",\"m_strPlayerName\":\"兰\",\"m_strSceneName\":\"河畔\",\"m_iYear\":2,\"m_PlayerIconID\":\"007\"}"
ENTRY_CHINESE=$(filled_entry 莫兰 河畔 2 7 2015/08/01)
# Names are joined in full, however long, and escapes in the save decode to UTF-8.
LONG_FAMILY=$(printf '%*s' 200 '' | tr ' ' F)
LONG_GIVEN=$(printf '%*s' 200 '' | tr ' ' G)
SAVE_LONG="$BOM{\"m_strPlayerLastName\":\"$LONG_FAMILY\",\"m_strPlayerName\":\"$LONG_GIVEN\",\"m_strSceneName\":\"\\u6cb3\\u7554\\t\",\"m_iYear\":-1,\"m_PlayerIconID\":\"-1\"}"
ENTRY_LONG=$(filled_entry "$LONG_FAMILY$LONG_GIVEN" '河畔\t' 4294967295 4294967295 2015/08/01)
EMPTY_TITLE=$(title_file)

# --- running the tool ----------------------------------------------------------------

# The folder as the tool names it: Wine shows the Unix root as drive Z:.
native_path() {
  ((windows)) && set -- "Z:${1//\//\\}"
  printf '%s' "$1"
}

# run_tool EXE_DIR CWD [ARGUMENT...]: copies the tool into EXE_DIR and runs it from CWD as
# $PROGRAM (by default the copy's full path), with the shell limits in $LIMITS, behind the
# command in $WRAP, its output to $OUT (by default $out) and its errors added to $ERR.
# Leaves its exit status in $status, or with $BACKGROUND set returns at once, its process
# number in $pid.
run_tool() {
  mkdir -p "$1"
  cmp -s "$tool" "$1/$name" || (cd "$1" && cp "$tool" "$name")
  out=$work/stdout.$RANDOM
  # In the background the tool takes the shell's process, so that $pid can stop or kill it.
  # (Not in the foreground: bash's exec hands the kernel a full path, too long for some.)
  (eval "${LIMITS:-}"; cd "$2" && TZ=${TZ_FOR_RUN:-UTC-8} ${BACKGROUND:+exec} ${WRAP:-} \
    "${emulator[@]}" "${PROGRAM:-$1/$name}" "${@:3}" \
    </dev/null >"${OUT:-$out}" 2>>"${ERR:-/dev/null}") &
  pid=$!
  [[ -n ${BACKGROUND:-} ]] || { wait "$pid"; status=$?; }
}

# expect_file FILE BYTES [WHAT]: FILE holds exactly BYTES; else the difference is shown.
expect_file() {
  printf '%s' "$2" >"$work/expected"
  cmp -s "$work/expected" "$1" && return
  fail "${3:-$1} differs:"
  diff <(cat -A "$work/expected") <(cat -A "$1") | head -10
}

# expect_output TEXT: the console bytes, converted as the platform writes them.
expect_output() {
  # The x at the end keeps the text's last line feeds through a command substitution.
  local text=${1//@NL@/$'\n'}x shown=$out
  if ((windows)); then
    text=$(printf '%s' "${text//$'\n'/$'\r\n'}" | iconv -f UTF-8 -t CP936)
    # The command processor's pause prompt follows the tool's own lines.
    LC_ALL=C sed '${/^Press any key/d;}' "$out" >"$out.tool"
    shown=$out.tool
  fi
  expect_file "$shown" "${text%x}" "console output"
}

expect_status() { [[ $status == "$1" ]] || fail "exit status $status, expected $1"; }

# expect STATUS OUTPUT [FILE BYTES]...: the last run's exit status, its console text (not
# checked when OUTPUT is -) and the files it left.
expect() {
  expect_status "$1"
  [[ $2 == - ]] || expect_output "$2"
  shift 2
  while (($# > 0)); do
    expect_file "$1" "$2"
    shift 2
  done
}

expect_no_titles() {
  local found
  found=$(find "$1" -name '*.SaveTitle' | head -1)
  [[ -z $found ]] || fail "title file written at $found"
}

# begin NAME [FOLDER]: ends the case before (counting it passed when it failed nowhere) and
# starts one in $dir, a folder of its own or FOLDER's, another case's.
begin() {
  [[ -n ${case_name:-} ]] && ((failures == failures_before)) && passes=$((passes + 1))
  case_name=$1
  dir=$work/${2:-$1}
  mkdir -p "$dir"
  failures_before=$failures
}

# put FILE BYTES: a file below the case's folder, last written at the usual time.
put() {
  mkdir -p "$(dirname "$dir/$1")"
  printf '%s' "$2" >"$dir/$1"
  touch -d @1438385400 "$dir/$1"  # 2015-07-31 23:30 UTC: 1 August at UTC+8
}

# --- cases -----------------------------------------------------------------------

begin save-folder
put Save0.Save "$SAVE_MOLAN"
put AutomaticDSave2.Save "$SAVE_CHINESE"
put Save19.Save "$SAVE_LONG"
# Stale, longer title files: nothing of them may remain.
put SaveTitle.SaveTitle "$(printf '%*s' 20000 '' | tr ' ' x)"
cp "$dir/SaveTitle.SaveTitle" "$dir/SaveAutomaticDTitle.SaveTitle"
run_tool "$dir" "$dir"
expect 0 "$(run_output "$(processing 2)" 1 "$(processing 0)$(processing 19)" 2)" \
  "$dir/SaveAutomaticDTitle.SaveTitle" "$(title_file 2 "$ENTRY_CHINESE")" \
  "$dir/SaveTitle.SaveTitle" "$(title_file 0 "$ENTRY_MOLAN" 19 "$ENTRY_LONG")"

# Only the tool's own folder counts, wherever it is started from: the current folder's
# saves play no part, and no folder is made below the tool's.
begin other-current-folder
put tool/Save0.Save "$SAVE_MOLAN"
put elsewhere/Save1.Save "$SAVE_CHINESE"
put elsewhere/config/SaveData/Save2.Save "$SAVE_CHINESE"
run_tool "$dir/tool" "$dir/elsewhere"
expect 0 "$(run_output "" 0 "$(processing 0)" 1)" \
  "$dir/tool/SaveTitle.SaveTitle" "$(title_file 0 "$ENTRY_MOLAN")"
expect_no_titles "$dir/elsewhere"
[[ ! -e $dir/tool/config ]] || fail "a folder made beside the tool"
if ((!windows)); then
  # Started through a link, it works in the real executable's folder, not the link's: there
  # are no saves there, and it says where it belongs.
  put real/notes.txt 'not a save'
  put link/Save0.Save "$SAVE_MOLAN"
  ln -s "$dir/real/$name" "$dir/link/$name"
  PROGRAM=$dir/link/$name run_tool "$dir/real" "$dir/tool"
  expect 0 "$INSTRUCTION"
  expect_no_titles "$dir/real"
fi

# In a game folder the saves below it count, even with saves beside them.
begin folder-argument
put game/config/SaveData/Save0.Save "$SAVE_MOLAN"
put game/Save1.Save "$SAVE_CHINESE"
put saves/AutomaticDSave2.Save "$SAVE_CHINESE"
put -dash/Save0.Save "$SAVE_MOLAN"
run_tool "$dir/tool" "$dir" "$(native_path "$dir/game")"
expect 0 "$(run_output "" 0 "$(processing 0)" 1)" \
  "$dir/game/config/SaveData/SaveTitle.SaveTitle" "$(title_file 0 "$ENTRY_MOLAN")" \
  "$dir/game/config/SaveData/SaveAutomaticDTitle.SaveTitle" "$EMPTY_TITLE"
[[ ! -e $dir/game/SaveTitle.SaveTitle ]] || fail "title written beside the game's saves"
run_tool "$dir/tool" "$dir" saves   # relative to the current folder
expect 0 - "$dir/saves/SaveAutomaticDTitle.SaveTitle" "$(title_file 2 "$ENTRY_CHINESE")"
# A file stands for its folder: a save dropped onto the exe repairs the folder that holds it.
put dropped/Save3.Save "$SAVE_MOLAN"
run_tool "$dir/tool" "$dir" "$(native_path "$dir/dropped/Save3.Save")"
expect 0 "$(run_output "" 0 "$(processing 3)" 1)" \
  "$dir/dropped/SaveTitle.SaveTitle" "$(title_file 3 "$ENTRY_MOLAN")"
# Windows PowerShell passes a quoted folder as it was typed, "D:\My Game\", so that by the
# command line's rules the last backslash escapes the quote.
if ((windows)) && [[ -n ${SAVETITLE_LAUNCHER:-} ]]; then
  put 'my game/Save4.Save' "$SAVE_MOLAN"
  typed="\"$(native_path "$dir/tool/$name")\" \"$(native_path "$dir/my game")\\\""
  SAVETITLE_COMMAND_LINE=$typed PROGRAM=$SAVETITLE_LAUNCHER run_tool "$dir/tool" "$dir"
  expect 0 "$(run_output "" 0 "$(processing 4)" 1)" \
    "$dir/my game/SaveTitle.SaveTitle" "$(title_file 4 "$ENTRY_MOLAN")"
elif ((windows)); then
  echo "skip [folder-argument] a quoted folder: SAVETITLE_LAUNCHER names no launcher"
fi
# The console gone after the first byte: the run still ends well.
OUT=>(head -c 1 >/dev/null) run_tool "$dir/tool" "$dir" -- -dash
expect 0 - "$dir/-dash/SaveTitle.SaveTitle" "$(title_file 0 "$ENTRY_MOLAN")"
run_tool "$dir/tool" "$dir"   # its own folder, which holds no saves
expect 0 "$INSTRUCTION"
expect_no_titles "$dir/tool"

# Help and version end at once; a refused command line is explained and waits for a key.
begin command-line
put saves/Save0.Save "$SAVE_MOLAN"
# command_line ERROR ARGUMENT...: the help, after the error if there is one.
command_line() {
  run_tool "$dir/tool" "$dir" "${@:2}"
  expect $((${#1} ? 2 : 0)) "${1:+错误: $1$L$L}$USAGE"
}
for option in --help -h '/?'; do
  command_line "" "$option"
done
command_line "找不到文件夹 / Error: no such folder: missing" missing
# A device is no file in a folder, though Windows gives CON a file's attributes.
((windows)) && command_line "找不到文件夹 / Error: no such folder: CON" CON
command_line "未知选项 / Error: unknown option: --frobnicate" --frobnicate
command_line "只能指定一个文件夹 / Error: name one folder at most" saves saves
long_option=--$(printf '%*s' 3000 '' | tr ' ' x)
command_line "未知选项 / Error: unknown option: $long_option" "$long_option"
run_tool "$dir/tool" "$dir" --version
expect_status 0
grep -q -E '^SaveTitleRebuild [0-9]+\.[0-9]+\.[0-9]+'$'\r''?$' "$out" || fail "version: $(cat -A "$out")"
expect_no_titles "$dir"

# On a terminal, and under Wine on a console whatever its code page, the messages and
# the prompt of the pause read as UTF-8, text of any length included; a key ends the
# pause. With the output going to a file, the prompt still shows where the key is pressed.
begin console-on-a-terminal
put Save0.Save "$SAVE_MOLAN"
cp "$tool" "$dir/$name"
out=$work/stdout.terminal
# The key goes in once the prompt is out: a key typed before it would be echoed.
press_key_at_prompt() {
  for ((i = 0; i < 1200; i++)); do
    grep -q -F "$PAUSE_PROMPT" "$out.raw" 2>/dev/null && break
    sleep 0.05
  done
  printf '\r'
}
# on_terminal COMMAND...: runs the tool behind COMMAND's words on a terminal wide enough for
# any line, whose text, without escape sequences and carriage returns, goes to $out. The
# terminal does not echo: Wine's console may leave it echoing until the key is read, and a
# console on Windows never echoes a key read as a key.
on_terminal() {
  rm -f "$out.raw"
  local shell_line
  shell_line="stty cols 9999 -echo; $(printf '%q ' "${emulator[@]}" "$dir/$name") $*"
  (cd "$dir" && press_key_at_prompt | TZ=UTC-8 timeout 60 \
    script -qfec "$shell_line" /dev/null >"$out.raw")
  status=$?
  sed 's/\x1b\[[?0-9;]*[a-zA-Z]//g; s/\x1b\][^\x07]*\x07//g' "$out.raw" | tr -d '\r' >"$out"
}
on_terminal "$long_option"
windows=0 expect 2 "错误: 未知选项 / Error: unknown option: $long_option$L$L$USAGE$PAUSE_PROMPT$L"
on_terminal ">$(printf '%q' "$work/redirected")"
windows=0 expect 0 "$PAUSE_PROMPT$L"
out=$work/redirected
expect_output "$(run_output "" 0 "$(processing 0)" 1)"

begin failure-table
mkdir -p "$dir/Save2.Save"
put Save0.Save 12345
put Save1.Save "$BOM{}x4567"   # 10 bytes: parsed
put Save3.Save "$BOM{}x456"    # 9 bytes: too small
put Save4.Save "$BOM this is not JSON"
put Save5.Save '{"m_strSceneName":"Hall"}'  # no mark: '{"m' is lost
# Members of other types give empty texts and zeros; the year is the low 32 bits of the
# member's integer, whatever its type. Names match ignoring case, the first one found wins.
put Save6.Save "$BOM{\"m_strPlayerLastName\":1,\"m_strPlayerName\":null,\"m_strSceneName\":[],\"m_PlayerIconID\":12,\"m_iYear\":true}"
put Save11.Save "$BOM{\"M_STRSCENENAME\":\"Hall\",\"m_strSceneName\":\"Second\",\"m_strplayerlastname\":\"Mo\",\"m_strPlayerName\":\"Lan\",\"m_iYear\":4294967297,\"m_PlayerIconID\":\"12\"}"
put Save12.Save "$BOM{\"m_iYear\":false}"
# Sizes count by their low 32 bits, on every build: 4 GiB + 10 bytes reads as 10 bytes,
# too few for this save; 4 GiB - 1 bytes is more than a 32-bit program can hold.
put Save7.Save "$BOM{\"m_iYear\":7}" && truncate -s $(((4 << 30) + 10)) "$dir/Save7.Save"
put Save8.Save "$SAVE_MOLAN" && truncate -s $(((4 << 30) - 1)) "$dir/Save8.Save"
# A save cut short sees only its own bytes, not the tail of the save read before it.
put Save9.Save "$BOM{\"m_strSceneName\":\"River side\"}"
put Save10.Save "$BOM{\"m_strSceneName\":\"River si"
run_tool "$dir" "$dir"
expect 0 "$(run_output "" 0 "$(incomplete 0)$(processing 1)$(incomplete 2)$(incomplete 3)$(incomplete 4)$(incomplete 5)$(processing 6)$(incomplete 7)$(incomplete 8)$(processing 9)$(incomplete 10)$(processing 11)$(processing 12)" 5)" \
  "$dir/SaveTitle.SaveTitle" "$(title_file 1 "$(filled_entry "" "" 0 0 2015/08/01)" \
  6 "$(filled_entry "" "" 1 0 2015/08/01)" 9 "$(filled_entry "" 'River side' 0 0 2015/08/01)" \
  11 "$(filled_entry MoLan Hall 1 12 2015/08/01)" 12 "$(filled_entry "" "" 0 0 2015/08/01)")"

# The date of the save's last write in the daylight-saving rules of that date, not today's,
# and beyond 2038, where a 32-bit time would end.
begin dates
# 2015-07-15, 2015-01-15, 2040-07-15 and 2006-03-20, 04:30 UTC: 00:30 EDT; 23:30 EST the day
# before; EDT; EST, as in 2006 summer time began in April, three weeks later than now.
stamps=(1436934600 1421296200 2225939400 1142829000)
dates=(2015/07/15 2015/01/14 2040/07/15 2006/03/19)
# Only some file systems keep times outside 1601 to 30827; tmpfs does. The first and last
# years both platforms can write are kept; those beyond give no date.
if [[ $(stat -f -c %T /dev/shm 2>/dev/null) == tmpfs ]]; then
  shm=$(mktemp -d -p /dev/shm) && dir=$shm && chmod a+rx "$dir"
  stamps+=(-12000000000 -11631384000 910652068800 1000000000000)  # 1589, 1601, 30827, 33658
  dates+=("" 1601/06/01 30827/06/01 "")
else
  echo "skip [dates] outside 1601 to 30827: /dev/shm is no tmpfs"
fi
title=()
for slot in "${!stamps[@]}"; do
  put "Save$slot.Save" "$SAVE_MOLAN" && touch -d "@${stamps[slot]}" "$dir/Save$slot.Save"
  title+=("$slot" "$(filled_entry MoLan Riverside 3 12 "${dates[slot]}")")
done
TZ_FOR_RUN=America/New_York run_tool "$dir" "$dir"
expect 0 - "$dir/SaveTitle.SaveTitle" "$(title_file "${title[@]}")"

# Folder names long enough to reach the platform's path limit (Windows: 259 bytes of
# text; POSIX: PATH_MAX - 1 = 4095): a path of exactly LENGTH as the tool sees it.
long_folder() {  # long_folder BASE LENGTH
  local shown
  shown=$(native_path "$1")
  printf '%s' "$1"
  printf '%*s' $(($2 - ${#shown})) '' | tr ' ' d | sed -E 's|^d|/|; s|(d{150})d(d)|\1/\2|g'
}

# unprefixed_long_paths TRACE: the Windows file calls in a trace of Wine's file channel that
# were handed a path past MAX_PATH without the long-path prefix, which real Windows
# refuses, as the exe is not long-path aware, and Wine takes: 260 units or more, 248 for a
# folder to create; a device path, "\\.\", is held to it too. The trace doubles each
# backslash, writes any other escape as a backslash and one character or four hex digits,
# and ends a long text with "...".
unprefixed_long_paths() {
  awk '
    /:trace:file:(CreateFileW|FindFirstFileExW|GetFileAttributesW|GetFileAttributesExW) / ||
    /:trace:file:(CreateDirectoryW|MoveFileWithProgressW|DeleteFileW) / {
      match($0, /:trace:file:[A-Za-z]+ /)
      limit = $0 ~ /:CreateDirectoryW / ? 248 : 260
      rest = substr($0, RSTART + RLENGTH)
      while (match(rest, /L"([^"\\]|\\.)*"(\.\.\.)?/)) {
        text = substr(rest, RSTART + 2, RLENGTH - 2)
        rest = substr(rest, RSTART + RLENGTH)
        cut = sub(/"\.\.\.$/, "", text) || !sub(/"$/, "", text)
        if (text ~ /^\\\\\\\\[?]\\\\/) continue
        units = 0
        for (i = 1; i <= length(text); i++) {
          if (substr(text, i, 1) == "\\") i += substr(text, i + 1, 1) ~ /[0-9a-f]/ ? 4 : 1
          units++
        }
        if (cut || units >= limit) { print; next }
      }
    }' "$1"
}

# "SaveAutomaticDTitle.SaveTitle" and a separator take 30 bytes: titles fit in a folder 30
# bytes below the limit, not in one a byte longer. An executable folder too long to work
# with is said to be so too; its path is longer than the system's buffers, so each tool
# is run from inside its folder. The only save is a folder named like one, which counts
# as one.
begin path-limits
if ((windows)); then limit=259 executable=250; else limit=4095 executable=4080; fi
# Every path the tool hands Windows goes into the trace.
((windows)) && export WINEDEBUG=trace+file ERR=$work/file-trace
for length in $((limit - 30)) $((limit - 29)) $executable; do
  folder=$(long_folder "$dir/$length" "$length")
  mkdir -p "$folder/x.Save"
  PROGRAM=./$name run_tool "$folder" "$folder"
  if ((length == limit - 30)); then
    expect 0 "$(run_output "" 0 "" 0)" "$folder/SaveTitle.SaveTitle" "$EMPTY_TITLE" \
      "$folder/SaveAutomaticDTitle.SaveTitle" "$EMPTY_TITLE"
  else
    expect 1 "$TOO_LONG"
    expect_no_titles "$dir/$length"
  fi
done
# Named on the command line: a save folder of the longest path there is, and a game folder
# whose config/SaveData passes it. The saves are found, and their folder is too long.
for folder in "$(long_folder "$dir/saves" "$limit")" \
  "$(long_folder "$dir/game" $((limit - 15)))/config/SaveData"; do
  mkdir -p "$folder/x.Save"
  run_tool "$dir/tool" "$dir" "$(native_path "${folder%/config/SaveData}")"
  expect 1 "$TOO_LONG"
done
expect_no_titles "$dir/saves"
expect_no_titles "$dir/game"
if ((windows)); then
  # Named as a device path, \\.\Z:\..., whose titles just fit.
  folder=$(long_folder "$dir/device" $((limit - 34)))
  mkdir -p "$folder/x.Save"
  run_tool "$dir/tool" "$dir" "\\\\.\\$(native_path "$folder")"
  expect 0 "$(run_output "" 0 "" 0)" "$folder/SaveTitle.SaveTitle" "$EMPTY_TITLE" \
    "$folder/SaveAutomaticDTitle.SaveTitle" "$EMPTY_TITLE"
  unset WINEDEBUG ERR
  refused=$(unprefixed_long_paths "$work/file-trace")
  [[ -z $refused ]] ||
    fail "paths that Windows refuses without the long-path prefix:$N${refused:0:2000}"
fi

# A folder on a network share, \\server\share, which Wine maps to a folder through its
# prefix: past 200 units its paths take the long-path form of network paths. At 173 units
# only the titles' paths are that long, at 213 the folder's own too. The share is named
# for this run, so that runs sharing a prefix never map each other's folders.
prefix=$(printf '%s\n' "${emulator[@]}" | sed -n 's/^--prefix=//p')
if ((windows)) && [[ -n $prefix ]]; then
  begin network-share
  share=share$$
  mkdir -p "$prefix/dosdevices/unc/server"
  ln -sfn "$dir" "$prefix/dosdevices/unc/server/$share"
  share_path="\\\\server\\$share\\"
  for length in 173 213; do
    folder=$(printf '%*s' $((length - ${#share_path})) '' | tr ' ' n)
    put "$folder/Save0.Save" "$SAVE_MOLAN"
    run_tool "$work/tool" "$dir" "$share_path$folder"
    expect 0 "$(run_output "" 0 "$(processing 0)" 1)" \
      "$dir/$folder/SaveTitle.SaveTitle" "$(title_file 0 "$ENTRY_MOLAN")" \
      "$dir/$folder/SaveAutomaticDTitle.SaveTitle" "$EMPTY_TITLE"
  done
  rm "$prefix/dosdevices/unc/server/$share"
fi

# Folder names in any script, whatever code page Windows uses for narrow text: the
# titles go where the saves are, no other folder is made, and messages name the folder.
begin folder-names-in-any-script
for lang in C.UTF-8 zh_CN.UTF-8; do
  locale -a | grep -qix "${lang/UTF-8/utf-\\?8}" ||
    { echo "skip [folder-names-in-any-script] $lang: the locale is not installed"; continue; }
  names=(Ω-omega 存档 ｆｕｌｌ αβ)
  for folder in "${names[@]}"; do
    saves=$dir/$lang/$folder
    put "$lang/$folder/Save0.Save" "$SAVE_MOLAN"
    mkdir "$saves/SaveAutomaticDTitle.SaveTitle"   # a title it cannot write
    LANG=$lang run_tool "$saves" "$saves"
    expect_status 1
    expect_file "$saves/SaveTitle.SaveTitle" "$(title_file 0 "$ENTRY_MOLAN")"
    [[ $lang != C.UTF-8 ]] || expect_output \
      "$(run_output "$(cannot_write "$saves/SaveAutomaticDTitle.SaveTitle")" 0 "$(processing 0)" 1)"
  done
  [[ $(ls "$dir/$lang" | sort) == $(printf '%s\n' "${names[@]}" | sort) ]] ||
    fail "$lang: other folders made: $(ls "$dir/$lang")"
done

# --- the title files survive every failure -------------------------------------------

# A save folder of the MoLan save and a stale title file, ready for one run of the tool.
molan_folder() {
  put Save0.Save "$SAVE_MOLAN"
  put SaveTitle.SaveTitle 'old title'
}

# expect_kept [AUTOMATIC_LINES [WHY]]: the manual title could not be written, said so
# (WHY: cannot_write or out_of_memory), and kept its old bytes.
expect_kept() {
  expect 1 "$(run_output "${1:-}" 0 "$(processing 0)$("${2:-cannot_write}" "$dir/SaveTitle.SaveTitle")" 1)" \
    "$dir/SaveTitle.SaveTitle" 'old title'
  [[ -z $(find "$dir" -name '*.tmp') ]] || fail "temporary file left: $(find "$dir" -name '*.tmp')"
}

# Links are replaced, never written through; a FIFO is left alone.
begin links-and-fifos
molan_folder
ln -sf Save0.Save "$dir/SaveTitle.SaveTitle"
ln -f "$dir/Save0.Save" "$dir/SaveAutomaticDTitle.SaveTitle"
run_tool "$dir" "$dir"
expect 0 "$(run_output "" 0 "$(processing 0)" 1)" "$dir/Save0.Save" "$SAVE_MOLAN" \
  "$dir/SaveTitle.SaveTitle" "$(title_file 0 "$ENTRY_MOLAN")" \
  "$dir/SaveAutomaticDTitle.SaveTitle" "$EMPTY_TITLE"
rm "$dir/SaveTitle.SaveTitle" && mkfifo "$dir/SaveTitle.SaveTitle"
WRAP="timeout 60" run_tool "$dir" "$dir"
expect 1 "$(run_output "" 0 "$(processing 0)$(cannot_write "$dir/SaveTitle.SaveTitle")" 1)"
[[ -p $dir/SaveTitle.SaveTitle ]] || fail "the FIFO was replaced"

# Read-only: the attribute under Windows, no write permission for a user who is not root.
begin read-only-title
molan_folder
chmod a-w "$dir/SaveTitle.SaveTitle"
if ((windows)) || [[ $(id -u) != 0 ]]; then
  run_tool "$dir" "$dir"
else
  chmod a+rx "$work" && chmod a+rwx "$dir"
  WRAP="setpriv --reuid=65534 --regid=65534 --clear-groups" run_tool "$dir" "$dir"
fi
expect_kept

begin disk-full
if [[ $(id -u) == 0 ]] && mount -t tmpfs -o size=8m tmpfs "$dir" 2>/dev/null; then
  molan_folder
  cp "$tool" "$dir/$name"
  cat /dev/zero >"$dir/filler" 2>/dev/null
  run_tool "$dir" "$dir"
  expect_kept "$(cannot_write "$dir/SaveAutomaticDTitle.SaveTitle")"
  umount "$dir"
else
  echo "skip [disk-full]: mounting a small file system needs root"
fi

if ((!windows)); then
  begin file-size-limit
  molan_folder
  LIMITS="ulimit -f 4" run_tool "$dir" "$dir"   # 4 KiB: smaller than any title file
  expect_kept "$(cannot_write "$dir/SaveAutomaticDTitle.SaveTitle")"

  # A save of 3.5 GiB: more than any 32-bit program can hold, and than a 64-bit one may
  # under a memory limit or ASan's limit on one block. A memory limit would hold back ASan's
  # shadow memory and the emulator too, so those builds run without one. A quarter more,
  # the room the block for saves is given, would wrap past 4 GiB in 32 bits.
  begin memory-short
  molan_folder
  truncate -s $((7 << 29)) "$dir/Save1.Save"
  limits=""
  ((${#emulator[@]})) || grep -q __asan_init "$tool" || limits="ulimit -v 40000"
  LIMITS=$limits ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=32 \
    run_tool "$dir" "$dir"
  expect_kept "" out_of_memory

  # A save that fits in the memory there is, but not with the quarter more room the block
  # for saves is given: it is read all the same. ASan's limit on one block stands for the
  # memory.
  if grep -q __asan_init "$tool"; then
    begin memory-tight
    notes=$(head -c 3000000 /dev/zero | tr '\0' n)
    put Save0.Save "${SAVE_MOLAN%\}},\"m_Notes\":\"$notes\"}"
    ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=3 run_tool "$dir" "$dir"
    expect 0 "$(run_output "" 0 "$(processing 0)" 1)" \
      "$dir/SaveTitle.SaveTitle" "$(title_file 0 "$ENTRY_MOLAN")"
  fi
fi

# Saves with long names make a title of a few megabytes, long enough to be caught mid-write.
begin killed-mid-write
name_part=$(head -c 150000 /dev/zero | tr '\0' n)
for ((slot = 0; slot < 20; slot++)); do
  put "Save$slot.Save" "$BOM{\"m_strPlayerName\":\"$name_part$slot\"}"
done
started=${EPOCHREALTIME/[.,]/}
run_tool "$dir" "$dir"
took=$(((${EPOCHREALTIME/[.,]/} - started) / 1000))
cp "$dir/SaveTitle.SaveTitle" "$work/title-all"
for ((kill = 0; kill < ${KILLS:-40}; kill++)); do
  printf 'old title' >"$dir/SaveTitle.SaveTitle"
  BACKGROUND=1 run_tool "$dir" "$dir"
  wait_ms=$((RANDOM % (took + 1)))
  sleep "$((wait_ms / 1000)).$(printf '%03d' $((wait_ms % 1000)))"
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  cmp -s "$dir/SaveTitle.SaveTitle" "$work/title-all" ||
    [[ $(<"$dir/SaveTitle.SaveTitle") == 'old title' ]] ||
    { fail "kill $kill after ${wait_ms} ms left a title that is neither old nor new"; break; }
done
# What a killed run left behind does not trouble the next one.
run_tool "$dir" "$dir"
expect 0 - "$dir/SaveTitle.SaveTitle" "$(<"$work/title-all")"

# Two runs at once. POSIX: one is stopped once it has read every save, the saves change,
# the other runs to its end, then the first goes on. (Wine does not survive a stopped
# process, so there the two simply run side by side.) Either way the title is one run's
# text, whole.
begin two-runs-at-once killed-mid-write
mkdir -p "$work/aside" && mv "$dir"/Save1?.Save "$work/aside/"
run_tool "$dir" "$dir"
cp "$dir/SaveTitle.SaveTitle" "$work/title-half"
mv "$work/aside"/*.Save "$dir/"
BACKGROUND=1 run_tool "$dir" "$dir"
first=$pid
if ((!windows)); then
  for ((wait = 0; wait < 600; wait++)); do
    grep -a -q 19 "$out" 2>/dev/null && break
    sleep 0.05
  done
  kill -STOP "$first" 2>/dev/null   # it may have ended already
  mv "$dir"/Save1?.Save "$work/aside/"
fi
run_tool "$dir" "$dir"
expect_status 0
kill -CONT "$first" 2>/dev/null
wait "$first" || fail "the first run ended with status $?"
cmp -s "$dir/SaveTitle.SaveTitle" "$work/title-all" ||
  cmp -s "$dir/SaveTitle.SaveTitle" "$work/title-half" || fail "the title is neither run's"

begin ""
echo "end-to-end: $passes passed, $failures failed"
((failures == 0))
