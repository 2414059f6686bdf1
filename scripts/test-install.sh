#!/usr/bin/env bash
# The installed result. Builds the Debian package (scripts/package.sh, into build/package), then:
#  - installs the build into a scratch prefix with `cmake --install` and checks what lands there:
#    the programs, each with a man page that renders without warnings, the desktop entry and the
#    AppStream metadata (both validated), the icon at every size, and the documents;
#  - runs lintian on the .deb, which must report no errors;
#  - installs the .deb with apt-get, runs the installed programs (--help, --version, the windows
#    on the installed simulator for a second), removes the package and checks that nothing it
#    installed is left.
# Needs root for the last part, and leaves the machine as it found it, even when a step fails.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
dir=build/package
package=tavrin-controller

work=$(mktemp -d)
sim=
installed=false
cleanup() {
  if [ -n "$sim" ]; then
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
  fi
  if $installed; then
    apt-get purge -y -q "$package" >/dev/null 2>&1 || dpkg --purge "$package" >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "test-install: stopped by a failure at line $LINENO" >&2' ERR

passed=0
failed=0
# check NAME COMMAND...: runs one check; its output is shown only when it fails.
check() {
  local name=$1; shift
  if "$@" >"$work/check.log" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "test-install: FAILED: $name" >&2
    sed 's/^/    /' "$work/check.log" >&2
  fi
}
# quiet COMMAND...: succeeds when the command succeeds and writes nothing on standard error.
quiet() {
  "$@" 2>"$work/stderr" >/dev/null && [ ! -s "$work/stderr" ] || { cat "$work/stderr"; return 1; }
}
# silent COMMAND...: succeeds when the command succeeds and writes nothing at all.
silent() {
  "$@" >"$work/output" 2>&1 && [ ! -s "$work/output" ] || { cat "$work/output"; return 1; }
}
# expect STATUS STREAM TEXT COMMAND...: the command's exit status is STATUS and its standard output
# (STREAM=out) or error (err) is exactly TEXT, or starts with it when TEXT ends in "...".
expect() {
  local status=$1 stream=$2 text=$3; shift 3
  local actual=0
  "$@" >"$work/out" 2>"$work/err" || actual=$?
  local got; got=$(cat "$work/$stream")
  echo "exit status $actual, $stream: $got"
  [ "$actual" = "$status" ] || return 1
  if [[ $text == *... ]]; then [[ $got == "${text%...}"* ]]; else [ "$got" = "$text" ]; fi
}

echo "test-install: building the package"
deb=$(bash scripts/package.sh "$dir" 2>"$work/package.log") || { cat "$work/package.log" >&2; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")

# --- A source install into a scratch prefix -----------------------------------------------------
prefix=$work/prefix
cmake --install "$dir" --prefix "$prefix" >/dev/null
share=$prefix/share
entries=("$share"/applications/*.desktop)
id=$(basename "${entries[0]}" .desktop)
echo "test-install: version $version, application id $id, installed into a scratch prefix"

check "one desktop entry, named by a reverse-DNS id" \
  bash -c '[ $# -eq 1 ] && [[ $(basename "$1" .desktop) =~ ^[a-z]+(\.[A-Za-z0-9_]+){2,}$ ]]' _ "${entries[@]}"
for program in tavrin-controller tavrin-recorder-sim tavrinctl; do
  check "$program in bin" test -x "$prefix/bin/$program"
done
for binary in "$prefix"/bin/*; do
  program=$(basename "$binary")
  check "$program has a man page" test -f "$share/man/man1/$program.1.gz"
  check "$program --version" expect 0 out "$program $version" "$binary" --version
  check "$program --help" bash -c '"$1" --help | grep -q "$2"' _ "$binary" "$program"
done
for page in "$share"/man/man1/*.1.gz; do
  check "$(basename "$page") renders without warnings" \
    quiet env LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l -Tutf8 "$page"
  check "$(basename "$page") passes groff -ww" quiet bash -c 'zcat "$1" | groff -man -ww -z' _ "$page"
done

desktop=$share/applications/$id.desktop
metainfo=$share/metainfo/$id.metainfo.xml
check "desktop-file-validate" silent desktop-file-validate "$desktop"
check "the desktop entry's keys" bash -c '
  grep -qx "Categories=AudioVideo;Audio;" "$1" && grep -q "^GenericName=." "$1" &&
  grep -q "^Comment=." "$1" && grep -qx "Exec=tavrin-controller" "$1" && grep -qx "Icon=$2" "$1" &&
  ! grep -q "^Terminal" "$1"' _ "$desktop" "$id"
check "appstreamcli validate" appstreamcli validate --no-net --strict "$metainfo"
check "the metainfo names the id and has a description and a screenshot" bash -c '
  grep -q "<id>$2</id>" "$1" && grep -q "<launchable type=\"desktop-id\">$2.desktop<" "$1" &&
  grep -q "<description>" "$1" && grep -q "<screenshot" "$1"' _ "$metainfo" "$id"
check "the program sets its desktop file name to the id" grep -q "$id" "$prefix/bin/tavrin-controller"
check "the SVG icon" test -s "$share/icons/hicolor/scalable/apps/$id.svg"
# png_is FILE WxH: a PNG image of that size (the width and height are in its IHDR chunk).
png_is() {
  local magic size
  magic=$(od -An -c -j1 -N3 "$1" | tr -d ' ')
  size=$(od -An -tu1 -j16 -N8 "$1" | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}')
  echo "$1: $magic $size"
  [ "$magic" = PNG ] && [ "$size" = "$2" ]
}
for size in 48 128; do
  check "the ${size} px icon" png_is "$share/icons/hicolor/${size}x$size/apps/$id.png" "${size}x$size"
done
for doc in README.md copyright changelog.gz; do
  check "doc $doc" test -s "$share/doc/$package/$doc"
done
# The release records follow the version: a new version needs its changelog entry and release.
check "the changelog's latest entry is $version" bash -c \
  'zcat "$1" | head -n1 | grep -q "^$2 ($3) "' _ "$share/doc/$package/changelog.gz" "$package" "$version"
check "the metainfo's latest release is $version" \
  bash -c 'grep -m1 "<release " "$1" | grep -q "version=\"$2\""' _ "$metainfo" "$version"

# --- The Debian package -----------------------------------------------------------------------
echo "test-install: lintian $deb"
lintian_status=0
lintian --fail-on error --display-info "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$work/lintian.log" | sed 's/^/    /' || true
check "lintian reports no errors" test "$lintian_status" -eq 0

if [ "$(id -u)" -ne 0 ]; then
  echo "test-install: not root: the package is not installed"
  failed=$((failed + 1))
else
  echo "test-install: apt-get install $deb"
  installed=true
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$PWD/$deb" \
    >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; exit 1; }
  dpkg -L "$package" >"$work/files"

  check "every file of the package is installed" bash -c \
    'dpkg-deb -c "$1" | awk "{print substr(\$6, 2)}" | sed "s|/$||;/^$/d" | while read -r f; do
       [ -e "$f" ] || { echo "missing: $f"; exit 1; }; done' _ "$deb"
  for program in tavrin-controller tavrin-recorder-sim tavrinctl; do
    check "man $program" test -f "$(man -w "$program" 2>/dev/null)"
    check "installed $program --version" expect 0 out "$program $version" "$program" --version
  done
  check "installed tavrin-recorder-sim --help" expect 0 out "Usage: tavrin-recorder-sim..." \
    tavrin-recorder-sim --help

  # The windows program takes --help and --version, without a display, and nothing else.
  nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
  while IFS=';' read -r status stream text args; do
    read -ra argv <<<"$args"
    check "tavrin-controller $args" \
      expect "$status" "$stream" "$text" "${nodisplay[@]}" tavrin-controller "${argv[@]}"
  done <<EOF
0;out;tavrin-controller $version;--version
0;out;Usage: tavrin-controller [--help | --version]...;--help
0;out;Usage: tavrin-controller [--help | --version]...;-h
2;err;tavrin-controller: unknown argument '--verbose' (see tavrin-controller --help);--verbose
2;err;tavrin-controller: unknown argument '-platform' (see tavrin-controller --help);-platform offscreen
2;err;tavrin-controller: unknown argument 'presets.txt' (see tavrin-controller --help);--help presets.txt
EOF

  # The windows for a second, on the installed simulator as COM2.
  tavrin-recorder-sim --fast --link "$work/com2" >"$work/sim.out" &
  sim=$!
  for _ in $(seq 50); do [ -e "$work/com2" ] && break; sleep 0.1; done
  QT_QPA_PLATFORM=offscreen TAVRIN_COM2=$work/com2 tavrin-controller >"$work/gui.log" 2>&1 &
  gui=$!
  sleep 1
  check "the windows run for a second on the simulator" \
    bash -c 'kill -0 "$1" || { cat "$2"; exit 1; }' _ "$gui" "$work/gui.log"
  kill "$gui" 2>/dev/null || true
  wait "$gui" 2>/dev/null || true
  check "installed tavrinctl reads the simulator's status" \
    expect 0 out "state: Stop..." tavrinctl -p "$work/com2" status
  kill "$sim"; wait "$sim" || true
  sim=

  echo "test-install: apt-get purge $package"
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -q "$package" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; exit 1; }
  installed=false
  # Every file is gone; a folder may stay only while another package owns it or holds something
  # else (such as a cache that a trigger wrote).
  leftovers() {
    local status=0
    while read -r path; do
      if [ -L "$path" ] || { [ -e "$path" ] && [ ! -d "$path" ]; }; then
        echo "left: $path"; status=1
      elif [ -d "$path" ] && [ -z "$(ls -A "$path")" ] && ! dpkg -S "$path" >/dev/null 2>&1; then
        echo "left empty: $path"; status=1
      fi
    done <"$work/files"
    return $status
  }
  check "nothing of the package is left" leftovers
  check "the package is gone" bash -c '! dpkg -s "$1" >/dev/null 2>&1' _ "$package"
fi

echo "test-install: $passed passed, $failed failed ($((SECONDS - started)) s)"
[ "$failed" -eq 0 ]
