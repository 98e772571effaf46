#!/usr/bin/env bash
# Runs one command (a test program) against a private Xvfb server and returns its status.
source "$(dirname "$0")/harness.sh"
e2e_start_x
status=0
timeout -k 3 "$(e2e_seconds 120)" "$@" || status=$?
exit "$status"
