#!/bin/sh
# Starts Plenwick in the user's own data folder, as scripts/run-plenwick
# does from a checkout: ~/.local/share/plenwick/Plenwick holds Plenwick.ini
# (from the school's administrator) and Registry.ini, transfer files go to
# its sibling folder Transfer.
set -e
here=$(cd "$(dirname "$0")" && pwd)
data=${PLENWICK_DATA:-${XDG_DATA_HOME:-$HOME/.local/share}/plenwick}
mkdir -p "$data/Plenwick" "$data/Transfer"
cd "$data/Plenwick"
exec "$here/../lib/plenwick/Plenwick" "$@"
