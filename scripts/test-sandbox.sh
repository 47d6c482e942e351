# Sourced by the scripts that run tests: temporary program, data and
# runtime folders, so no test touches the real home folder; they are
# removed when the sourcing script ends.
export VELMORA_HOME="$(mktemp -d)"
export XDG_DATA_HOME="$(mktemp -d)"
export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
trap 'rm -rf "$VELMORA_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"' EXIT
