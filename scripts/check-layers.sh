#!/usr/bin/env bash
# Checks that includes run one way between the layers and that the Qt-free code includes no Qt:
#   core: the engine's folders (base <- io, kernels, search <- job), resources; smoothing and the preview
#   geometry over the engine
#   <- platform (the layer over Qt) <- preview <- about, smoothing dialog <- app
#   core <- cli, python (the module over the engine); tests, fuzz, bench and samples over what they test.
# The one exception: the smoothing dialog reads the main dialog through g_pMainDlg (app/stereo_dlg.h).
# Run from the repository's root; prints each wrong include and exits with 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# Sets `unit` to the unit of a file or of an include's path.
unit_of() {
  case "$1" in
    engine/base/*) unit=engine_base ;;
    engine/io/*) unit=engine_io ;;
    engine/kernels/*) unit=engine_kernels ;;
    engine/search/*) unit=engine_search ;;
    engine/job/*) unit=engine_job ;;
    resources/make_icon.cpp) unit=icon_tool ;;
    resources/*) unit=resources ;;
    smoothing/smoothing_dlg.*) unit=smoothing_dialog ;;
    smoothing/*) unit=smoothing ;;
    preview/preview_geometry.*) unit=preview_geometry ;;
    preview/*) unit=preview ;;
    platform/*) unit=platform ;;
    about/*) unit=about ;;
    app/*) unit=app ;;
    cli/*) unit=cli ;;
    python/*) unit=python ;;
    tests/support/* | support/*) unit=support ;;
    tests/core/*) unit=core_tests ;;
    tests/gui/* | gui/*) unit=gui_tests ;;
    fuzz/*) unit=fuzz ;;
    bench/*) unit=bench ;;
    samples/*) unit=samples ;;
    *) unit=unknown ;;
  esac
}

# What each unit may include besides itself.
engine="engine_base engine_io engine_kernels engine_search engine_job"
declare -A allowed=(
  [engine_base]=""
  [engine_io]="engine_base"
  [engine_kernels]="engine_base"
  [engine_search]="engine_base"
  [engine_job]="engine_io engine_kernels engine_search engine_base"
  [resources]=""
  [smoothing]="$engine"
  [preview_geometry]="$engine"
  [platform]="$engine resources"
  [preview]="preview_geometry platform $engine resources"
  [about]="platform $engine resources"
  [smoothing_dialog]="smoothing preview preview_geometry platform $engine resources"
  [app]="smoothing_dialog smoothing about preview preview_geometry platform $engine resources"
  [cli]="$engine smoothing"
  [python]="$engine"
  [support]="$engine"
  [core_tests]="$engine smoothing preview_geometry cli support fuzz resources"
  [gui_tests]="app smoothing_dialog smoothing about preview preview_geometry platform $engine resources support"
  [fuzz]="$engine smoothing support"
  [bench]="$engine"
  [samples]="$engine"
  [icon_tool]=""
)
qt_free="$engine resources smoothing preview_geometry cli python support core_tests fuzz bench samples"

failed=0
report() {
  echo "$1"
  failed=1
}

while IFS= read -r line; do
  file=${line%%:*}
  rest=${line#*:}
  number=${rest%%:*}
  text=${rest#*:}
  unit_of "$file"
  from=$unit
  [ "$from" = unknown ] && continue
  if [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(Q[A-Za-z]*|Qt[A-Za-z]*/) ]]; then
    [[ " $qt_free " == *" $from "* ]] && report "$file:$number: Qt in the Qt-free $from: $text"
    continue
  fi
  [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]] || continue
  included=${BASH_REMATCH[1]}
  [[ "$included" == */* ]] || continue
  unit_of "$included"
  [ "$unit" = "$from" ] && continue
  [ "$file" = smoothing/smoothing_dlg.cpp ] && [ "$included" = app/stereo_dlg.h ] && continue
  [[ " ${allowed[$from]} " == *" $unit "* ]] || report "$file:$number: $from includes $unit: $text"
done < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' | grep -v '^build' | xargs grep -n -H '#[[:space:]]*include')

[ $failed -eq 0 ] && echo "layers: every include runs one way"
exit $failed
