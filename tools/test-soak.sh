#!/usr/bin/env bash
# The soak run, one minute long, as ./test.sh runs it.
exec "$(dirname "$0")/soak.sh" 60
