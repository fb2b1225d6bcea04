#!/usr/bin/env bash
# Runs a command under Qt's xcb platform on a private Xvfb, for the widget tests whose
# behaviour depends on the real platform (its key bindings, for one).
# Usage: xvfb_run.sh command [args...]
set -euo pipefail
. "$(cd "$(dirname "$0")" && pwd)/../e2e/xvfb_session.sh"
trap stop_session EXIT
start_xvfb
QT_QPA_PLATFORM=xcb "$@"
