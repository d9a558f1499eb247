#!/bin/sh
# The school server's backups by hand (the timer makes one every night):
#   plenwick-server backup [--to FILE] [--keep N]
#   plenwick-server restore --from FILE [--force]
set -e
case "${1:-}" in
    backup|restore) ;;
    *) echo "usage: plenwick-server backup [--to FILE] [--keep N] | restore --from FILE [--force]" >&2; exit 2 ;;
esac
if [ "$(id -u)" != 0 ]; then
    echo "plenwick-server: run it as root (sudo plenwick-server $1 ...)" >&2
    exit 1
fi
command=$1
shift
exec env PLENWICK_SHARE=/usr/share/plenwick PLENWICK_RUNAS=plenwick PLENWICK_UNIT=plenwick.service \
    FIREBIRD_LOCK=/var/lib/plenwick/services/firebird/lock \
    /usr/share/plenwick/services "$command" --workdir /var/lib/plenwick --db /var/lib/plenwick/plenwick.fdb "$@"
