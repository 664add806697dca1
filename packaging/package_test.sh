#!/usr/bin/env bash
# Checks the release packages that scripts/package writes: the files each holds, the
# Windows texts' byte-order marks and CRLF line ends, the UTF-8 flag of the zip's names,
# the sums, the exe's inspection, and that the Linux tool needs nothing of the system.
#   package_test.sh VERSION ZIP TAR_GZ
set -uo pipefail
version=$1
zip=$2
tarball=$3
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
check "zip: the files, the Chinese name flagged as UTF-8" same "$names" "$(printf '%s\n' \
  LICENSE.txt README.txt SHA256SUMS.txt SaveTitleRebuild.exe '使用说明.txt utf-8')"
tar -xzf "$tarball" -C "$work"
linux=$work/SaveTitleRebuild-$version-linux-x86_64
check "tar.gz: the files in one folder" same "$(tar -tzf "$tarball" | sort)" \
  "$(printf "${linux##*/}/%s\n" '' LICENSE.txt README.txt SHA256SUMS.txt SaveTitleRebuild \
    使用说明.txt | sort)"

# The zip's guide is the tar.gz's text with a UTF-8 byte-order mark first and CRLF line ends.
for guide in 使用说明.txt README.txt; do
  check "zip: $guide is the tar.gz's text with a byte-order mark and CRLF" \
    cmp "$work/windows/$guide" <(printf '\xEF\xBB\xBF' && awk '{ printf "%s\r\n", $0 }' "$linux/$guide")
  check "$guide names version $version" grep -q "SaveTitleRebuild $version" "$linux/$guide"
done
check "zip: LICENSE.txt has CRLF" crlf_only "$work/windows/LICENSE.txt"
check "zip: SHA256SUMS.txt has CRLF" crlf_only "$work/windows/SHA256SUMS.txt"
sums_verify() {
  same "$(cd "$1" && sha256sum -c SHA256SUMS.txt | sort)" \
    "$(cd "$1" && ls | grep -vx SHA256SUMS.txt | sed 's/$/: OK/' | sort)"
}
check "zip: the sums cover every other file and verify" sums_verify "$work/windows"
check "tar.gz: the sums cover every other file and verify" sums_verify "$linux"

check "zip: the exe passes its inspection" \
  "$(dirname "$0")/../app/inspect_exe.sh" i686-w64-mingw32 "$work/windows/SaveTitleRebuild.exe" "$version"
check "tar.gz: the tool is executable" test -x "$linux/SaveTitleRebuild"
# Linked statically, the tool runs on any x86-64 Linux: no loader, no library, no glibc version.
check "tar.gz: the tool is static: no loader, no libraries, no symbol versions" same \
  "$(readelf -l -d -V "$linux/SaveTitleRebuild" | grep -E 'INTERP|NEEDED|GLIBC_')" ""

echo "package_test: $passes passed, $failures failed"
((failures == 0))
