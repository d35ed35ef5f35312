# Shared start of the command-line shell tests: the tool under test, a scratch folder removed at
# exit, and a failure counter that the test reports at its end.
set -u
cli=${VIRMEYA_CLI:?VIRMEYA_CLI must name the virmeya-cli program}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
