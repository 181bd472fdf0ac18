# shellcheck shell=bash
# require_tools TOOL...: ends the script as skipped (exit 77, ctest's skip
# code) naming the first tool that is not installed.
require_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "$tool is not installed"
            exit 77
        fi
    done
}
