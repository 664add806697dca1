#!/usr/bin/env bash
# Runs the built tool the way players do, copied into save folders and game folders,
# and compares its exit status, every byte it prints and every byte it writes.
#   end_to_end_test.sh TOOL [EMULATOR...]
# A Windows build (TOOL ending in .exe) prints code page 936 with CRLF line ends, POSIX
# prints UTF-8 with LF; the title files are the same bytes on both.
set -uo pipefail

tool=$1
shift
emulator=("$@")
windows=0
[[ $tool == *.exe ]] && windows=1
name=$(basename "$tool")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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
INSTRUCTION="请将我复制到<Lanternfall>存档目录运行!!!!${L}位置在[游戏目录\\config\\SaveData]$L"
TOO_LONG="存档目录路径太长,无法修复!!!!$L"
processing() { printf '%s' "找到第$1个存档,正在处理...$L"; }
incomplete() { printf '%s' "找到第$1个存档,但由于存档数据不完整,无法修复...跪了...$L"; }
cannot_write() { printf '%s' "无法写入标题文件:$1$L"; }
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
  if ((windows)); then
    local path=${1//\//\\}
    printf 'Z:%s' "$path"
  else
    printf '%s' "$1"
  fi
}

stamp() { touch -d @1438385400 "$@"; }  # 2015-07-31 23:30 UTC: 1 August at UTC+8

# run_tool EXE_DIR CWD: copies the tool into EXE_DIR, runs it from CWD, and leaves its
# output in $out and its exit status in $status.
run_tool() {
  mkdir -p "$1"
  cp "$tool" "$1/$name"
  out=$work/stdout.$RANDOM
  (cd "$2" && TZ=${TZ_FOR_RUN:-UTC-8} "${emulator[@]}" "$1/$name" </dev/null >"$out" 2>/dev/null)
  status=$?
}

# expect_output TEXT: the console bytes, converted as the platform writes them.
expect_output() {
  local expected=$work/expected text=${1//@NL@/$'\n'}
  if ((windows)); then
    printf '%s' "${text//$'\n'/$'\r\n'}" | iconv -f UTF-8 -t CP936 >"$expected"
    # The command processor's pause prompt follows the tool's own lines.
    local size
    size=$(stat -c %s "$expected")
    if ! cmp -s "$expected" <(head -c "$size" "$out"); then
      fail "console output differs:"; diff <(cat -A "$expected") <(cat -A "$out") | head -10
    elif [[ -n $(tail -c +$((size + 1)) "$out" | grep -v -a '^Press any key') ]]; then
      fail "unexpected output after the tool's lines: $(tail -c +$((size + 1)) "$out" | cat -A)"
    fi
  else
    printf '%s' "$text" >"$expected"
    cmp -s "$expected" "$out" || { fail "console output differs:"; diff <(cat -A "$expected") <(cat -A "$out") | head -10; }
  fi
}

expect_status() { [[ $status == "$1" ]] || fail "exit status $status, expected $1"; }

expect_file() {
  if [[ ! -f $1 ]]; then
    fail "missing $1"
  elif ! cmp -s "$1" <(printf '%s' "$2"); then
    fail "$1 differs"; diff <(printf '%s' "$2" | cat -A) <(cat -A "$1") | head -10
  fi
}

expect_no_titles() {
  local found
  found=$(find "$1" -name '*.SaveTitle' | head -1)
  [[ -z $found ]] || fail "title file written at $found"
}

begin() {
  case_name=$1
  dir=$work/$1
  mkdir -p "$dir"
  failures_before=$failures
}
end() { ((failures == failures_before)) && passes=$((passes + 1)); }

# --- cases -----------------------------------------------------------------------

begin save-folder
printf '%s' "$SAVE_MOLAN" >"$dir/Save0.Save"
printf '%s' "$SAVE_CHINESE" >"$dir/AutomaticDSave2.Save"
printf '%s' "$SAVE_LONG" >"$dir/Save19.Save"
stamp "$dir"/*.Save
# Stale, longer title files: nothing of them may remain.
head -c 20000 /dev/zero | tr '\0' x >"$dir/SaveTitle.SaveTitle"
cp "$dir/SaveTitle.SaveTitle" "$dir/SaveAutomaticDTitle.SaveTitle"
run_tool "$dir" "$dir"
expect_status 0
expect_output "$(run_output "$(processing 2)" 1 "$(processing 0)$(processing 19)" 2)"
expect_file "$dir/SaveAutomaticDTitle.SaveTitle" "$(title_file 2 "$ENTRY_CHINESE")"
expect_file "$dir/SaveTitle.SaveTitle" "$(title_file 0 "$ENTRY_MOLAN" 19 "$ENTRY_LONG")"
end

begin game-folder
mkdir -p "$dir/config/SaveData"
printf '%s' "$SAVE_MOLAN" >"$dir/config/SaveData/Save0.Save"
stamp "$dir/config/SaveData/Save0.Save"
run_tool "$dir" "$dir"
expect_status 0
expect_output "$(run_output "" 0 "$(processing 0)" 1)"
expect_file "$dir/config/SaveData/SaveTitle.SaveTitle" "$(title_file 0 "$ENTRY_MOLAN")"
expect_file "$dir/config/SaveData/SaveAutomaticDTitle.SaveTitle" "$EMPTY_TITLE"
[[ ! -e $dir/SaveTitle.SaveTitle ]] || fail "title written into the game folder"
end

begin both-game-folder-wins
mkdir -p "$dir/config/SaveData"
printf '%s' "$SAVE_MOLAN" >"$dir/config/SaveData/Save0.Save"
printf '%s' "$SAVE_CHINESE" >"$dir/Save1.Save"
stamp "$dir/config/SaveData/Save0.Save" "$dir/Save1.Save"
run_tool "$dir" "$dir"
expect_status 0
expect_output "$(run_output "" 0 "$(processing 0)" 1)"
expect_file "$dir/config/SaveData/SaveTitle.SaveTitle" "$(title_file 0 "$ENTRY_MOLAN")"
[[ ! -e $dir/SaveTitle.SaveTitle ]] || fail "title written beside the tool"
end

begin folder-named-save
mkdir -p "$dir/x.Save"
run_tool "$dir" "$dir"
expect_status 0
expect_output "$(run_output "" 0 "" 0)"
expect_file "$dir/SaveTitle.SaveTitle" "$EMPTY_TITLE"
expect_file "$dir/SaveAutomaticDTitle.SaveTitle" "$EMPTY_TITLE"
end

begin no-saves
printf 'not a save' >"$dir/notes.txt"
run_tool "$dir" "$dir"
expect_status 0
expect_output "$INSTRUCTION"
expect_no_titles "$dir"
end

begin other-current-folder
mkdir -p "$dir/tool" "$dir/elsewhere"
printf '%s' "$SAVE_MOLAN" >"$dir/elsewhere/Save0.Save"
run_tool "$dir/tool" "$dir/elsewhere"
expect_status 0
# The tests look at the current folder, the files go beside the tool.
expect_output "$(run_output "" 0 "" 0)"
expect_file "$dir/tool/SaveTitle.SaveTitle" "$EMPTY_TITLE"
expect_no_titles "$dir/elsewhere"
end

begin failure-table
mkdir -p "$dir/Save2.Save"
printf '12345' >"$dir/Save0.Save"
printf '%s' "$BOM{}x4567" >"$dir/Save1.Save"     # 10 bytes: parsed
printf '%s' "$BOM{}x456" >"$dir/Save3.Save"      # 9 bytes: too small
printf '%s' "$BOM this is not JSON" >"$dir/Save4.Save"
printf '%s' '{"m_strSceneName":"Hall"}' >"$dir/Save5.Save"  # no mark: '{"m' is lost
printf '%s' "$BOM{\"m_strPlayerName\":7,\"m_PlayerIconID\":12,\"m_iYear\":4294967296}" >"$dir/Save6.Save"
stamp "$dir"/Save*.Save
run_tool "$dir" "$dir"
expect_status 0
expect_output "$(run_output "" 0 "$(incomplete 0)$(processing 1)$(incomplete 2)$(incomplete 3)$(incomplete 4)$(incomplete 5)$(processing 6)" 2)"
expect_file "$dir/SaveTitle.SaveTitle" \
  "$(title_file 1 "$(filled_entry "" "" 0 0 2015/08/01)" 6 "$(filled_entry "" "" 0 0 2015/08/01)")"
end

begin time-zone
printf '%s' "$SAVE_MOLAN" >"$dir/Save0.Save"
stamp "$dir/Save0.Save"
TZ_FOR_RUN=UTC run_tool "$dir" "$dir"
expect_status 0
expect_file "$dir/SaveTitle.SaveTitle" "$(title_file 0 "$(filled_entry MoLan Riverside 3 12 2015/07/31)")"
end

begin title-unwritable
printf '%s' "$SAVE_MOLAN" >"$dir/Save0.Save"
stamp "$dir/Save0.Save"
mkdir -p "$dir/SaveTitle.SaveTitle"   # a folder where the title file belongs
run_tool "$dir" "$dir"
expect_status 1
expect_output "$(run_output "" 0 "$(processing 0)$(cannot_write "$(native_path "$dir")$( ((windows)) && echo '\' || echo /)SaveTitle.SaveTitle")" 1)"
expect_file "$dir/SaveAutomaticDTitle.SaveTitle" "$EMPTY_TITLE"
end

# Folder names long enough to reach the platform's path limit (Windows: 259 bytes of
# text; POSIX: PATH_MAX - 1 = 4095).
long_folder() {  # long_folder BASE LENGTH: a folder path of exactly LENGTH as the tool sees it
  local base=$1 target=$2 path=$1 shown
  shown=$(native_path "$path")
  while ((${#shown} < target)); do
    local room=$((target - ${#shown} - 1))
    ((room > 200)) && room=200
    ((room < 1)) && room=1
    path+=/$(printf '%*s' "$room" '' | tr ' ' d)
    shown=$(native_path "$path")
  done
  printf '%s' "$path"
}

if ((windows)); then limit=259; else limit=4095; fi
# "SaveAutomaticDTitle.SaveTitle" and a separator take 30 bytes.
begin path-at-limit
folder=$(long_folder "$dir" $((limit - 30)))
printf '%s' "$SAVE_MOLAN" >"$work/molan" && mkdir -p "$folder" && cp "$work/molan" "$folder/Save0.Save"
run_tool "$folder" "$folder"
expect_status 0
[[ -f $folder/SaveAutomaticDTitle.SaveTitle ]] || fail "no title file at the limit"
end

begin path-too-long
folder=$(long_folder "$dir" $((limit - 29)))
mkdir -p "$folder" && cp "$work/molan" "$folder/Save0.Save"
run_tool "$folder" "$folder"
expect_status 1
expect_output "$TOO_LONG"
expect_no_titles "$dir"
end

if ((windows)); then
  # A module path longer than MAX_PATH cannot be read whole: the tool does not guess.
  begin executable-path-too-long
  folder=$(long_folder "$dir" 250)
  mkdir -p "$folder" && cp "$work/molan" "$folder/Save0.Save"
  run_tool "$folder" "$folder"
  expect_status 0
  expect_output "$INSTRUCTION"
  expect_no_titles "$dir"
  end
fi

echo "end-to-end: $passes passed, $failures failed"
((failures == 0))
