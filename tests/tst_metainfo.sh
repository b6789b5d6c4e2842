#!/bin/sh
# What software centres and menus read: the AppStream metainfo and the desktop entry pass their
# validators with no error or warning, offer the same types, and the newest release is the
# version the program prints. Skips (77) when appstreamcli or desktop-file-validate is missing.
#   tst_metainfo.sh METAINFO DESKTOP_ENTRY INKPOND_BINARY
set -eu
metainfo="$1"
entry="$2"
app="$3"
for tool in appstreamcli desktop-file-validate; do
    command -v "$tool" >/dev/null 2>&1 || exit 77
done
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

if ! out=$(appstreamcli validate --no-net "$metainfo" 2>&1) \
    || printf '%s\n' "$out" | grep -Eq '^[EW]:'; then
    fail "appstreamcli validate: $out"
fi
if ! out=$(desktop-file-validate "$entry" 2>&1) \
    || printf '%s\n' "$out" | grep -Eq 'error|warning'; then
    fail "desktop-file-validate: $out"
fi

# The metainfo's id names the desktop entry.
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
[ "$(basename "$entry")" = "$id.desktop" ] || fail "the desktop entry is not named $id.desktop"

# Software centres offer the program for the types the metainfo names; the desktop for the entry's.
offered=$(sed -n 's/^MimeType=//p' "$entry" | tr ';' '\n' | sed '/^$/d' | sort)
provided=$(sed -n 's:.*<mediatype>\(.*\)</mediatype>.*:\1:p' "$metainfo" | sort)
[ "$offered" = "$provided" ] || fail "types named by only one of the desktop entry and the metainfo:" \
    $(printf '%s\n%s\n' "$offered" "$provided" | sort | uniq -u)

newest=$(sed -n 's:.*<release version="\([^"]*\)".*:\1:p' "$metainfo" | head -n 1)
printed=$(ASAN_OPTIONS=detect_leaks=0 "$app" --version)
[ "$printed" = "Inkpond $newest" ] || fail "the newest release is $newest, the program says $printed"
exit $status
