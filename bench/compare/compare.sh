#!/usr/bin/env bash
# One table, all measured in this run: the phone pass against cat, the store's save and load,
# and whole `pimsync sync` runs against vdirsyncer syncing the same records between two
# filesystem storages, at 1,000 and 10,000 records per kind, first run and re-run with 10%
# changed.
#
#   bench/compare/compare.sh [BUILD_DIR]     (default: build; installs vdirsyncer if missing)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
for tool in pimsync phone_pass_speed make_sample; do
  [ -x "$build/$tool" ] || { echo "compare.sh: $build/$tool is missing; build first" >&2; exit 1; }
done
if ! command -v vdirsyncer >/dev/null; then
  apt-get install -y --no-install-recommends vdirsyncer >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds() {  # runs a command quietly, prints its wall time in seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || { echo "compare.sh: failed: $*" >&2; exit 1; }
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

# A pimsync run takes a fraction of a second, so one timing says more about the machine's
# moment than about pimsync: each is run five times from the same files, and the median
# counts. A vdirsyncer run takes seconds and is timed once.
median_sync() {  # DIR COMMAND...: the median wall time; DIR's databases end as after one run
  local dir=$1
  shift
  mkdir -p "$dir/pristine"
  cp "$dir"/notes.db "$dir"/phone.db "$dir/pristine/"
  [ -f "$dir/store.dat" ] && cp "$dir/store.dat" "$dir/pristine/"
  [ -f "$dir/store.dat.check" ] && cp "$dir/store.dat.check" "$dir/pristine/"
  for _ in 1 2 3 4 5; do
    rm -rf "$dir"/notes.db* "$dir"/phone.db* "$dir"/store.dat*
    cp "$dir"/pristine/* "$dir/"
    # What the peer or the copies left to write back goes to the disk first: a run that syncs
    # its own files would otherwise wait for theirs.
    sync
    seconds "$@"
  done | sort -n | sed -n 3p
  rm -rf "$dir/pristine"
}

vdirsyncer_config() {  # DIR
  local dir=$1
  cat >"$dir/vdirsyncer.conf" <<CONF
[general]
status_path = "$dir/vdir/status/"

[pair contacts]
a = "contacts_a"
b = "contacts_b"
collections = null

[storage contacts_a]
type = "filesystem"
path = "$dir/vdir/contacts/a/"
fileext = ".vcf"

[storage contacts_b]
type = "filesystem"
path = "$dir/vdir/contacts/b/"
fileext = ".vcf"

[pair todos]
a = "todos_a"
b = "todos_b"
collections = null

[storage todos_a]
type = "filesystem"
path = "$dir/vdir/todos/a/"
fileext = ".ics"

[storage todos_b]
type = "filesystem"
path = "$dir/vdir/todos/b/"
fileext = ".ics"
CONF
}

printf '%-44s %12s %12s %10s\n' "measure" "pimsync" "peer" "ratio"

# The phone pass against cat reading the same input and writing the same output.
for records in 10000 50000; do
  "$build/phone_pass_speed" "$records" "$work" >"$work/speed"
  while read -r kind in_mb out_mb pass cat rate ratio; do
    [ "$kind" = store ] && continue
    printf '%-44s %9.1f ms %9.1f ms %9.2fx\n' "phone pass, $kind, $records ($in_mb MB in)" \
      "$(echo "$pass * 1000" | bc -l)" "$(echo "$cat * 1000" | bc -l)" "$ratio"
    printf '%-44s %9.0f MB/s\n' "  throughput" "$rate"
  done <"$work/speed"
done
read -r _ store_mb save load save_rate load_rate < <(grep '^store' "$work/speed")
printf '%-44s %9.0f MB/s  (%.1f ms)\n' "store save, 50000+50000 ($store_mb MB)" "$save_rate" \
  "$(echo "$save * 1000" | bc -l)"
printf '%-44s %9.0f MB/s  (%.1f ms)\n' "store load, 50000+50000 ($store_mb MB)" "$load_rate" \
  "$(echo "$load * 1000" | bc -l)"

# Whole syncs against vdirsyncer.
for records in 1000 10000; do
  dir="$work/sync-$records"
  mkdir -p "$dir"
  "$build/make_sample" create "$records" "$dir"
  vdirsyncer_config "$dir"
  sync=("$build/pimsync" sync --contacts "$dir/notes.db" --phone "$dir/phone.db"
        --store "$dir/store.dat" --contact-limit 1000000 --calendar-limit 1000000)
  peer=(vdirsyncer -c "$dir/vdirsyncer.conf")
  "${peer[@]}" discover >/dev/null 2>&1
  first=$(median_sync "$dir" "${sync[@]}")
  peer_first=$(seconds "${peer[@]}" sync)
  "$build/make_sample" change 10 "$dir"
  again=$(median_sync "$dir" "${sync[@]}")
  peer_again=$(seconds "${peer[@]}" sync)
  printf '%-44s %10.2f s %10.2f s %9.1fx\n' "sync $records+$records, first run" "$first" \
    "$peer_first" "$(echo "$peer_first / $first" | bc -l)"
  printf '%-44s %10.2f s %10.2f s %9.1fx\n' "sync $records+$records, re-run, 10% changed" \
    "$again" "$peer_again" "$(echo "$peer_again / $again" | bc -l)"
done
