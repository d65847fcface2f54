#!/usr/bin/env bash
# The release a Windows user downloads: script/package makes both archives, named
# by the one version, each holding the program, the read-me, the licence and the
# notices; the 32-bit program unzipped from its archive starts and shows its window.
source "$(dirname "$0")/lib.bash" "$@"
version=$(head -n1 "$PIX_ROOT/VERSION")
PIXLUMEN_BUILD=$PIX_BUILD/.. PIXLUMEN_DIST=$WORK/dist "$PIX_ROOT/script/package" --no-build \
  >"$WORK/package.log" 2>&1 || fail "script/package failed: $(cat "$WORK/package.log")"

for t in win32 win64; do
  zip=$WORK/dist/Pixlumen-$version-$t.zip
  [ -f "$zip" ] || fail "no $zip: $(ls "$WORK/dist")"
  names=$(python3 -m zipfile -l "$zip" | awk 'NR > 1 && $1 !~ /\/$/ {print $1}' | sort | tr '\n' ' ')
  want="Pixlumen-$version-$t/LICENSE.txt Pixlumen-$version-$t/NOTICES.txt Pixlumen-$version-$t/Pixlumen.exe Pixlumen-$version-$t/README.txt "
  [ "$names" = "$want" ] || fail "$t archive holds: $names"
done
pass "both archives hold the program, read-me, licence and notices"

mkdir -p "$WORK/unzipped"
(cd "$WORK/unzipped" && python3 -m zipfile -e "$WORK/dist/Pixlumen-$version-win32.zip" .)
dir=$WORK/unzipped/Pixlumen-$version-win32
grep -q 'MIT License' "$dir/LICENSE.txt" || fail "LICENSE.txt is not the MIT licence"
grep -q 'based in part on the work of the Independent JPEG Group' "$dir/NOTICES.txt" ||
  fail "NOTICES.txt lacks the IJG statement"
grep -q 'Redistribution and use in source and binary forms' "$dir/NOTICES.txt" ||
  fail "NOTICES.txt lacks libjpeg-turbo's BSD licence"
grep -qi 'zlib' "$dir/NOTICES.txt" || fail "NOTICES.txt lacks the zlib licence"
grep -q "Pixlumen $version" "$dir/README.txt" || fail "README.txt does not name version $version"
machine=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(4096); o=struct.unpack_from("<I",d,0x3c)[0]; print(hex(struct.unpack_from("<H",d,o+4)[0]) if d[o:o+4]==b"PE\0\0" else "none")' "$dir/Pixlumen.exe")
[ "$machine" = 0x14c ] || fail "the win32 archive's program is not an i386 PE file: machine $machine"
pass "licence, notices and read-me are there; the 32-bit program is a PE32 for i386"

EXE=$dir/Pixlumen.exe
e2e_start
wait_window Pixlumen >/dev/null || fail "the unzipped program showed no window titled Pixlumen"
pass "the unzipped 32-bit program starts and shows its main window"
