#!/usr/bin/env bash
# Builds the Debian package from build/ (cpack -G DEB) and checks it: the
# files it holds, the libraries it declares, an installation with dpkg into
# a scratch root (the machine's own system is not touched), the man page
# rendered by man, and the installed program correcting the cell example.
set -euo pipefail
cd "$(dirname "$0")/../build"

fail() { echo "check-package: $*" >&2; exit 1; }

rm -f korvex_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log >&2; fail "cpack failed"; }
deb="$(ls korvex_*.deb)"
echo "check-package: $deb"

contents="$(dpkg-deb --contents "$deb")"
for path in ./usr/bin/korvex ./usr/share/man/man1/korvex.1.gz ./usr/share/doc/korvex/manual.md \
            ./usr/share/doc/korvex/examples/cell/quartz_dac.exp; do
  grep -q " $path\$" <<<"$contents" || fail "the package lacks $path"
done
if grep -q "^KORVEX_GUI:BOOL=ON" CMakeCache.txt && [ -x korvex-gui ]; then
  for path in ./usr/bin/korvex-gui ./usr/share/applications/korvex-gui.desktop \
              ./usr/share/icons/hicolor/scalable/apps/korvex.svg; do
    grep -q " $path\$" <<<"$contents" || fail "the package lacks $path"
  done
fi
depends="$(dpkg-deb -f "$deb" Depends)"
for lib in libc6 libstdc++6; do
  grep -q "$lib" <<<"$depends" || fail "the package does not declare $lib: $depends"
done

# dpkg installs into its own root with an empty database there; the
# libraries the package depends on are the machine's, so the dependency
# check is left to a real installation.
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
force=(--force-depends --force-script-chrootless)
[ "$(id -u)" -eq 0 ] || force+=(--force-not-root)
dpkg --root="$root" "${force[@]}" --log=/dev/null -i "$deb" >"$root/dpkg.log" 2>&1 ||
  { cat "$root/dpkg.log" >&2; fail "dpkg cannot install the package"; }

"$root/usr/bin/korvex" --version | grep -q "^korvex " || fail "the installed korvex does not run"
page="$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/korvex.1.gz" 2>"$root/man-warnings")"
[ ! -s "$root/man-warnings" ] || fail "man warns: $(cat "$root/man-warnings")"
grep -q "EXIT STATUS" <<<"$page" || fail "the man page does not render"

work="$root/work"
cp -r "$root/usr/share/doc/korvex/examples/cell" "$work"
(cd "$work" && "$root/usr/bin/korvex" run -q quartz_dac.exp quartz_dac.prt quartz_dac.int quartz_dac.hkl)
grep -q "_exptl_absorpt_correction_type    gaussian" "$work/quartz_dac_korvex.cif" ||
  fail "the installed program did not correct the cell example"
echo "check-package: the package installs, its man page renders, and it corrects the cell example"
