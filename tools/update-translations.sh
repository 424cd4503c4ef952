#!/usr/bin/env bash
# Brings the translations in resources/translations up to date with the
# texts of the window, and lists the entries that still want a translator.
#
#   tools/update-translations.sh          update the .ts files in place
#   tools/update-translations.sh --check  leave them alone; fail when a text
#                                         is new, changed or unfinished
#
# Translate the listed entries with Qt Linguist (linguist-qt6) or by hand:
# fill in <translation> and drop its type="unfinished".
set -euo pipefail
cd "$(dirname "$0")/.."

LUPDATE=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
[[ -x $LUPDATE ]] || { echo "missing $LUPDATE: apt-get install qt6-l10n-tools" >&2; exit 1; }

check=0
[[ ${1:-} == --check ]] && check=1

work=resources/translations
if ((check)); then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cp resources/translations/*.ts "$work"/
fi

status=0
for ts in "$work"/*.ts; do
    # No source locations: a moved line must not change the files.
    "$LUPDATE" -silent -locations none -no-obsolete -extensions cpp,h,ui app batch widgets -ts "$ts"
    open=$(python3 - "$ts" <<'PY'
import sys, xml.etree.ElementTree as ET
for context in ET.parse(sys.argv[1]).getroot().iter('context'):
    name = context.findtext('name')
    for message in context.iter('message'):
        if message.find('translation').get('type') == 'unfinished':
            print('  %s: %s' % (name, message.findtext('source')))
PY
)
    if [[ -n $open ]]; then
        echo "$(basename "$ts"): untranslated texts:"
        echo "$open"
        status=1
    else
        echo "$(basename "$ts"): complete"
    fi
done
exit $status
