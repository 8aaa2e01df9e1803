#!/usr/bin/env bash
# The manual page and --help (with geotag's) name the same options, and the page renders without a warning.
# Usage: manual_page.sh CLI PAGE
set -euo pipefail
cli=$1
page=$2

# Option words: in --help the part of each option line before its description, in the page the
# line after each .TP.
help_options=$({ "$cli" --help; "$cli" geotag --help; } | cut -c1-31 | grep -E '^  -' | grep -oE -- '--?[a-z][-a-z]*' | sort -u)
page_options=$(awk 'after_tp { print; after_tp = 0 } /^\.TP/ { after_tp = 1 }' "$page" |
    sed 's/\\-/-/g' | grep -oE -- '--?[a-z][-a-z]*' | sort -u)
if [ "$help_options" != "$page_options" ]; then
    echo "--help and the manual page differ (< --help, > page):"
    diff <(echo "$help_options") <(echo "$page_options") || true
    exit 1
fi

for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES; do
    grep -qx "\.SH $section" "$page" || { echo "no section $section"; exit 1; }
done

if command -v groff >/dev/null; then
    warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || { echo "groff: $warnings"; exit 1; }
fi
echo "$(echo "$help_options" | wc -l) options agree"
