#!/usr/bin/env bash
# Checks that includes run one way between the layers and that the Qt-free code includes no Qt:
#   core (engine, resources; smoothing and the preview geometry over the engine)
#   <- platform (the layer over Qt) <- preview <- about, smoothing dialog <- app
#   core <- cli; tests, fuzz, bench and samples over what they test.
# The one exception: the smoothing dialog reads the main dialog through g_pMainDlg (app/stereo_dlg.h).
# Run from the repository's root; prints each wrong include and exits with 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

unit_of() {
  case "$1" in
    engine/*) echo engine ;;
    resources/make_icon.cpp) echo icon_tool ;;
    resources/*) echo resources ;;
    smoothing/smoothing_dlg.*) echo smoothing_dialog ;;
    smoothing/*) echo smoothing ;;
    preview/preview_geometry.*) echo preview_geometry ;;
    preview/*) echo preview ;;
    platform/*) echo platform ;;
    about/*) echo about ;;
    app/*) echo app ;;
    cli/*) echo cli ;;
    tests/support/* | support/*) echo support ;;
    tests/core/*) echo core_tests ;;
    tests/gui/* | gui/*) echo gui_tests ;;
    fuzz/*) echo fuzz ;;
    bench/*) echo bench ;;
    samples/*) echo samples ;;
    *) echo unknown ;;
  esac
}

# What each unit may include besides itself.
declare -A allowed=(
  [engine]=""
  [resources]=""
  [smoothing]="engine"
  [preview_geometry]="engine"
  [platform]="engine resources"
  [preview]="preview_geometry platform engine resources"
  [about]="platform engine resources"
  [smoothing_dialog]="smoothing preview preview_geometry platform engine resources"
  [app]="smoothing_dialog smoothing about preview preview_geometry platform engine resources"
  [cli]="engine smoothing"
  [support]="engine"
  [core_tests]="engine smoothing preview_geometry cli support fuzz resources"
  [gui_tests]="app smoothing_dialog smoothing about preview preview_geometry platform engine resources support"
  [fuzz]="engine smoothing support"
  [bench]="engine"
  [samples]="engine"
  [icon_tool]=""
)
qt_free="engine resources smoothing preview_geometry cli support core_tests fuzz bench samples"

failed=0
report() {
  echo "$1"
  failed=1
}

while IFS= read -r file; do
  unit=$(unit_of "$file")
  [ "$unit" = unknown ] && continue
  while IFS= read -r line; do
    number=${line%%:*}
    text=${line#*:}
    if [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(Q[A-Za-z]*|Qt[A-Za-z]*/) ]]; then
      [[ " $qt_free " == *" $unit "* ]] && report "$file:$number: Qt in the Qt-free $unit: $text"
      continue
    fi
    [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]] || continue
    included=${BASH_REMATCH[1]}
    [[ "$included" == */* ]] || continue
    target=$(unit_of "$included")
    [ "$target" = "$unit" ] && continue
    [ "$file" = smoothing/smoothing_dlg.cpp ] && [ "$included" = app/stereo_dlg.h ] && continue
    [[ " ${allowed[$unit]} " == *" $target "* ]] || report "$file:$number: $unit includes $target: $text"
  done < <(grep -n '#[[:space:]]*include' "$file" || true)
done < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' | grep -v '^build')

[ $failed -eq 0 ] && echo "layers: every include runs one way"
exit $failed
