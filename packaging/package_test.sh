#!/usr/bin/env bash
# Checks the release packages that scripts/package writes: the folder and files each
# holds, the Windows texts' byte-order marks and CRLF line ends, the UTF-8 flag of the
# zip's names, the sums inside and beside the archives, the change log's version, the
# exe's inspection, that the Linux tool needs nothing of the system, the help's width,
# and that both guides explain every line of app/messages.h, the Chinese one in
# full-width punctuation.
#   package_test.sh VERSION ZIP TAR_GZ
set -uo pipefail
version=$1
zip=$2
tarball=$3
root=$(dirname "$0")/..
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0

# check WHAT COMMAND...: runs the command, and shows its output only when it fails.
check() {
  local output
  if output=$("${@:2}" 2>&1); then
    passes=$((passes + 1))
  else
    echo "FAIL: $1${output:+$'\n'$output}"
    failures=$((failures + 1))
  fi
}
same() { [[ $1 == "$2" ]] || { printf 'expected:\n%s\nfound:\n%s\n' "$2" "$1"; false; }; }
# A CRLF at the end of every line.
crlf_only() {
  [[ $(LC_ALL=C grep -c $'\r$' "$1") == $(wc -l <"$1") && $(tail -c 2 "$1" | od -An -tx1) == " 0d 0a" ]]
}

# Python reads a name as UTF-8 only when flag bit 11 says so, which Explorer needs too.
names=$(python3 - "$zip" "$work/windows" <<'PYTHON'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as archive:
    archive.extractall(sys.argv[2])
    for entry in sorted(archive.infolist(), key=lambda entry: entry.filename):
        print(entry.filename + (" utf-8" if entry.flag_bits & 0x800 else ""))
PYTHON
)
top=SaveTitleRebuild-$version-windows-x86
check "zip: the files in one folder, the Chinese name flagged as UTF-8" same "$names" \
  "$(printf "$top/%s\n" '' CHANGELOG.txt LICENSE.txt README.txt SHA256SUMS.txt \
    SaveTitleRebuild.exe '使用说明.txt utf-8')"
windows=$work/windows/$top
tar -xzf "$tarball" -C "$work"
linux=$work/SaveTitleRebuild-$version-linux-x86_64
check "tar.gz: the files in one folder" same "$(tar -tzf "$tarball" | sort)" \
  "$(printf "${linux##*/}/%s\n" '' CHANGELOG.txt LICENSE.txt README.txt SHA256SUMS.txt \
    SaveTitleRebuild 使用说明.txt | sort)"

# The zip's guides are the tar.gz's texts with a UTF-8 byte-order mark first and CRLF.
for text in 使用说明.txt README.txt CHANGELOG.txt; do
  check "zip: $text is the tar.gz's text with a byte-order mark and CRLF" \
    cmp "$windows/$text" <(printf '\xEF\xBB\xBF' && awk '{ printf "%s\r\n", $0 }' "$linux/$text")
done
for guide in 使用说明.txt README.txt; do
  check "$guide names version $version" grep -q "SaveTitleRebuild $version" "$linux/$guide"
done
check "CHANGELOG.txt is CHANGELOG.md" cmp "$linux/CHANGELOG.txt" "$root/CHANGELOG.md"
check "the change logs start at $version" same "$(grep -m1 '^## ' "$linux/CHANGELOG.txt")
$(sed -n '/^更新日志$/,$p' "$linux/使用说明.txt" | grep -m1 -E '^[0-9]+\.[0-9]+\.[0-9]+')" \
  "## $version
$version"
check "zip: LICENSE.txt has CRLF" crlf_only "$windows/LICENSE.txt"
check "zip: SHA256SUMS.txt has CRLF" crlf_only "$windows/SHA256SUMS.txt"
sums_verify() {
  same "$(cd "$1" && sha256sum -c SHA256SUMS.txt | sort)" \
    "$(cd "$1" && ls | grep -vx SHA256SUMS.txt | sed 's/$/: OK/' | sort)"
}
check "zip: the sums cover every other file and verify" sums_verify "$windows"
check "tar.gz: the sums cover every other file and verify" sums_verify "$linux"
check "the sums beside the archives cover both and verify" same \
  "$(cd "$(dirname "$zip")" && sha256sum -c SHA256SUMS.txt)" \
  "$(printf '%s: OK\n' "${zip##*/}" "${tarball##*/}")"

check "zip: the exe passes its inspection" \
  "$root/app/inspect_exe.sh" i686-w64-mingw32 "$windows/SaveTitleRebuild.exe" "$version"
check "tar.gz: the tool is executable" test -x "$linux/SaveTitleRebuild"
# Linked statically, the tool runs on any x86-64 Linux: no loader, no library, no glibc version.
check "tar.gz: the tool is static: no loader, no libraries, no symbol versions" same \
  "$(readelf -l -d -V "$linux/SaveTitleRebuild" | grep -E 'INTERP|NEEDED|GLIBC_')" ""

# The help, from a tool run where its static glibc finds no character set modules (as on
# most distributions, which keep them elsewhere), fits 80 columns, Chinese ones taking two.
help=$(unshare -m sh -c 'mount -t tmpfs none /usr/lib/x86_64-linux-gnu/gconv && exec "$0" --help' \
  "$linux/SaveTitleRebuild" 2>/dev/null || "$linux/SaveTitleRebuild" --help)
check "tar.gz: the help is UTF-8" same "${help%%$'\n'*}" "用法: SaveTitleRebuild [文件夹]"
check "tar.gz: the help fits 80 columns" python3 -c 'import sys, unicodedata
sys.exit(max(sum(1 + (unicodedata.east_asian_width(c) in "WF") for c in line)
             for line in sys.argv[1].splitlines()) > 80)' "$help"

# Each line a message can print, split at its placeholders (a %c is the path separator,
# \ on Windows and / on Linux); with an argument, also ASCII punctuation beside a Chinese
# character, except in the messages.
missing() {
  python3 - "$root/app/messages.h" "$@" <<'PYTHON'
import re, sys
source = re.sub(r"//[^\n]*", "", open(sys.argv[1], encoding="latin-1").read())
literal = r'"(?:[^"\\]|\\.)*"'
lines = set()
for body in re.findall(rf"=\s*((?:{literal}\s*)+);", source):
    text = "".join(bytes(part[1:-1], "latin-1").decode("unicode_escape")
                   for part in re.findall(literal, body)).encode("latin-1").decode("cp936")
    for line in text.split("\n"):
        lines.update({line.replace("%c", "\\"), line.replace("%c", "/")})
guide = open(sys.argv[2], encoding="utf-8").read()
parts = {}
for line in lines:
    parts[line] = [p.strip() for p in re.split(r"%[-+ 0-9.]*[a-z]", line) if p.strip()]
    if any(part not in guide for part in parts[line]):
        print("not explained:", line)
if len(sys.argv) > 3:
    for part in sorted({p for line in parts.values() for p in line}, key=len, reverse=True):
        guide = guide.replace(part, "")
    for match in re.finditer(r".*([\u3400-\u9fff] ?[,:;?()]|[,:;?()] ?[\u3400-\u9fff]).*", guide):
        print("ASCII punctuation:", match.group(0))
PYTHON
}
check "使用说明.txt explains every message, in full-width punctuation" same \
  "$(missing "$linux/使用说明.txt" full-width)" ""
check "README.txt explains every message" same "$(missing "$linux/README.txt")" ""

echo "package_test: $passes passed, $failures failed"
((failures == 0))
