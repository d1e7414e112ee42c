# Sourced by the scripts, with their arguments: -h or --help prints the script's opening comment and
# exits, before anything is installed or built.
for arg in "$@"; do
  case "$arg" in
    -h|--help)
      sed -n '2,/^set /{/^#/s/^# \{0,1\}//p}' "$0"
      exit 0 ;;
  esac
done
