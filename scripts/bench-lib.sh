# Sourced by the benchmark scripts (scripts/bench-*): the demo library at the
# benchmark scale, made once per schema and demo version, and a fresh copy of
# it for every run, so that a run costs the benchmark itself.
#
#   . scripts/bench-lib.sh
#   bench_sqlite DIR   DIR becomes an installation on a fresh copy of the
#                      pristine SQLite library (made first when missing)
#   bench_pg DIR       DIR becomes an installation on a fresh database made
#                      from the pristine template database (made first when
#                      missing); returns 1 when the machine has no PostgreSQL
#
# The pristine libraries live in build/bench-data (or KESTRA_BENCH_DATA, which
# lets several checkouts of the same schema share them):
#   demo-<scale>-<digest>/              the SQLite installation
#   pg/                                 a PostgreSQL cluster kept between runs,
#                                       started for the run and stopped after it
#   template demo_<scale>_<digest>      the PostgreSQL library, in that cluster
#                                       (or on KESTRA_TEST_PG's server when set)
# The digest covers the schema, the PostgreSQL support functions and the demo
# generator, so a change to any of them makes a new library and removes the
# old one. The scale is KESTRA_BENCH_SCALE titles (400,000: about a million
# copies). The caller builds kestra-admin (release) first; bench_admin names it.

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench_scale=${KESTRA_BENCH_SCALE:-400000}
bench_admin=${KESTRA_BENCH_BUILD:-$bench_root/build/release}/src/kestra-admin
bench_data=${KESTRA_BENCH_DATA:-$bench_root/build/bench-data}
bench_digest=$(cd "$bench_root" && cat src/db/schema/*.sql src/db/schema.qrc src/db/sql/PostgresSupport.cpp \
  src/admin/Demo*.cpp src/admin/Demo*.h $(ls src/db/schema/upgrades/* 2>/dev/null) | sha1sum | cut -c1-10)
bench_name=demo-$bench_scale-$bench_digest
bench_pgdir=""   # the cluster this script started, stopped by bench_cleanup
bench_uri=""     # postgresql://user@host:port/postgres of the server in use
bench_dbs=()     # run databases to drop at the end

mkdir -p "$bench_data"
# One benchmark at a time: the pristine libraries are made under this lock,
# and two runs side by side would measure each other.
exec {bench_lock}>"$bench_data/.lock"
flock "$bench_lock"

bench_cleanup() {
  local db
  for db in "${bench_dbs[@]}"; do
    psql "$bench_uri" -qc "DROP DATABASE IF EXISTS $db WITH (FORCE)" >/dev/null 2>&1 || true
  done
  if [ -n "$bench_pgdir" ]; then "$bench_root/scripts/pg-cluster" stop "$bench_pgdir"; fi
}

bench_sqlite() {
  local dir=$1 pristine=$bench_data/$bench_name
  if [ ! -f "$pristine/.ready" ]; then
    # Older versions of this scale only: the other scales stay.
    rm -rf "$bench_data"/demo-"$bench_scale"-*/
    echo "bench: making the SQLite demo library ($bench_scale titles), once per schema version" >&2
    "$bench_admin" install --root "$pristine" >/dev/null
    "$bench_admin" init --root "$pristine" >&2
    "$bench_admin" demo --root "$pristine" --scale "$bench_scale" >&2
    # A file copy is only the whole database once the write-ahead log is in it.
    [ ! -s "$pristine/DAT/kestra.db-wal" ] || { echo "bench: $pristine has a write-ahead log" >&2; return 1; }
    touch "$pristine/.ready"
  fi
  "$bench_admin" install --root "$dir" >/dev/null
  cp "$pristine/DAT/kestra.db" "$dir/DAT/kestra.db"
}

# Starts the kept cluster (or takes KESTRA_TEST_PG) once per run.
bench_pg_server() {
  [ -z "$bench_uri" ] || return 0
  if [ -n "${KESTRA_TEST_PG:-}" ]; then
    bench_uri=$KESTRA_TEST_PG
    return 0
  fi
  bench_uri=$("$bench_root/scripts/pg-cluster" start "$bench_data/pg") || {
    echo "bench: no PostgreSQL here" >&2
    bench_uri=""
    return 1
  }
  bench_pgdir=$bench_data/pg
}

bench_pg() {
  local dir=$1 base template=${bench_name//-/_} run
  bench_pg_server || return 1
  base=${bench_uri%/*}
  if [ "$(psql "$bench_uri" -tAc "SELECT count(*) FROM pg_database WHERE datname='$template' AND datistemplate")" != 1 ]; then
    local old
    for old in $(psql "$bench_uri" -tAc "SELECT datname FROM pg_database WHERE datname LIKE 'demo\_${bench_scale}\_%'"); do
      psql "$bench_uri" -qc "ALTER DATABASE $old IS_TEMPLATE false" -qc "DROP DATABASE $old WITH (FORCE)" >/dev/null
    done
    echo "bench: making the PostgreSQL demo library ($bench_scale titles), once per schema version" >&2
    psql "$bench_uri" -qc "CREATE DATABASE $template ENCODING 'UTF8' TEMPLATE template0"
    local src
    src=$(mktemp -d /tmp/kestra-bench-src.XXXXXX)
    "$bench_admin" install --root "$src" --dsn "$base/$template" >/dev/null
    "$bench_admin" init --root "$src" >&2
    "$bench_admin" demo --root "$src" --scale "$bench_scale" >&2
    rm -rf "$src"
    # The copies inherit the statistics and the visibility map.
    psql "$base/$template" -qc "VACUUM ANALYZE"
    psql "$bench_uri" -qc "ALTER DATABASE $template IS_TEMPLATE true"
  fi
  run=bench_run_$$_${#bench_dbs[@]}
  bench_dbs+=("$run")
  psql "$bench_uri" -qc "CREATE DATABASE $run TEMPLATE $template"
  "$bench_admin" install --root "$dir" --dsn "$base/$run" >/dev/null
}
