#!/usr/bin/env bash
# Runs a validator and fails when it ends with an error or reports any error or warning line (both
# desktop-file-validate and appstreamcli end with 0 on warnings).  A pedantic note ("P:") is not a warning.
set -u
output=$("$@" 2>&1)
code=$?
echo "$output"
[[ $code -eq 0 ]] || exit 1
! grep -E '^(E|W): |error:|warning:' <<<"$output" >/dev/null
