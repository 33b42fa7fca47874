#!/bin/sh
# The desktop entry and the AppStream metadata as the desktop's own tools read them.
#   validate-metadata.sh DESKTOP-FILE METAINFO-FILE      (77 = skipped: a tool is missing)
command -v desktop-file-validate >/dev/null 2>&1 && command -v appstreamcli >/dev/null 2>&1 || exit 77
desktop-file-validate "$1" && appstreamcli validate --no-net "$2"
