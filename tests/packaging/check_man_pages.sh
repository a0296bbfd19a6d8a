#!/bin/sh
# check_man_pages.sh PAGE...: each manual page renders with groff and man without a single
# warning, and names its program in its NAME section.
status=0
for page in "$@"; do
    name=$(basename "$page" .1)
    warnings=$( { LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page"; } 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        echo "$page: groff: $warnings"
        status=1
    fi
    rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    if [ -n "$rendered" ]; then
        echo "$page: man: $rendered"
        status=1
    fi
    if ! LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | grep -Eq "^ *$name +- "; then
        echo "$page: no NAME line for $name"
        status=1
    fi
done
[ "$status" = 0 ] && echo "$# manual pages render cleanly"
exit "$status"
