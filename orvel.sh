#!/usr/bin/env bash
# The README's commands on a Debian 12 machine with nothing but bash and apt-get: installs the
# packages the command needs, then hands over to make.
#   ./orvel.sh demo    build the program and show it on the samples in examples/
#   ./orvel.sh test    build and run every test, optimised and with the sanitizers
#   ./orvel.sh bench   run the benchmarks
#   ./orvel.sh fuzz    run the fuzz targets (FUZZ_SECONDS each, default 60)
#   ./orvel.sh screenshots  render the desktop app's screenshots for the README under Xvfb
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
case "${1:-}" in
  demo | test | bench | fuzz | screenshots) ;;
  *)
    echo "usage: ./orvel.sh demo|test|bench|fuzz|screenshots" >&2
    exit 2
    ;;
esac
bash scripts/install-deps "$1"
exec make --no-print-directory "$1"
