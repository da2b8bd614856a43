# Helpers shared by the bash scripts in scripts/: messages, Debian packages, clang,
# Python venvs and the interpreter paths. Sourced, never run.
# The variables set here are read by the scripts that source this file.
# shellcheck shell=bash disable=SC2034

REPO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Prefixes every message, so a line in a long log says which script wrote it.
SCRIPT_NAME="scripts/$(basename "$0")"

# clang 15 or later: libstdc++ 12's std::source_location needs a builtin that clang 14
# lacks. The fuzzers and ThreadSanitizer builds share it so their runtimes agree.
CLANG_VERSION=16
CLANG_PACKAGES=("clang-$CLANG_VERSION" "libclang-rt-$CLANG_VERSION-dev")
# What scripts/interpreters needs to build CPython from source.
CPYTHON_BUILD_PACKAGES=(build-essential libssl-dev zlib1g-dev libffi-dev libbz2-dev
  liblzma-dev libsqlite3-dev libreadline-dev)
DEBIAN_KEYRING=/usr/share/keyrings/debian-archive-keyring.gpg
# Built interpreters and the sid chroot live here, shared by every checkout.
CACHE_ROOT="${KOLVI_CACHE:-$HOME/.cache/kolvi}"
# For a ThreadSanitizer interpreter doing chores (checks, venvs, pip): its own races
# are noise there.
QUIET_TSAN="report_bugs=0 exitcode=0"

# A sanitizer stack frame is the module's when it lies in the extension or in one of
# the C++ layers.
MODULE_FRAME_PATTERN='kolvi[.]cpython|kolvi::|/src/(base|text|version|diagnostics|logging|python|cli)/'

# --- messages -----------------------------------------------------------------

# Progress and errors go to stderr, so a script's stdout can stay machine-readable.
log() { echo "$SCRIPT_NAME: $*" >&2; }

die() {
  log "$*"
  exit 1
}

# A banner between the stages of a long run.
header() { printf '\n==== %s ====\n' "$*"; }

# --- Debian packages ----------------------------------------------------------

# Prints those of the named packages that are not installed, one a line.
missing_debian_packages() {
  local installed package
  installed=$'\n'$(dpkg-query -W -f='${db:Status-Status} ${Package}\n' "$@" 2>/dev/null |
    awk '$1 == "installed" { print $2 }')$'\n' || true
  for package in "$@"; do
    [[ "$installed" == *$'\n'"$package"$'\n'* ]] || echo "$package"
  done
}

# apt-get without questions; its output goes to stderr like all progress.
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@" >&2; }

# ensure_debian_packages <package>...: installs the missing ones, refreshing the
# package lists only when there are none yet or an install fails on stale ones.
ensure_debian_packages() {
  local missing
  mapfile -t missing < <(missing_debian_packages "$@")
  ((${#missing[@]})) || return 0
  log "installing Debian packages: ${missing[*]}"
  compgen -G '/var/lib/apt/lists/*_Packages*' >/dev/null || apt_get update
  apt_get install "${missing[@]}" || { apt_get update && apt_get install "${missing[@]}"; }
}

# clang with the sanitizer and libFuzzer runtimes.
ensure_clang() { ensure_debian_packages "${CLANG_PACKAGES[@]}"; }

# The Debian mirror this machine already uses: the first non-security URI of the
# deb822 sources, else the first plain `deb` line of sources.list.
debian_mirror() {
  local uri
  if [[ -r /etc/apt/sources.list.d/debian.sources ]]; then
    uri=$(awk '/^URIs:/ { for (i = 2; i <= NF; i++) if ($i !~ /-security/) { print $i; exit } }' \
      /etc/apt/sources.list.d/debian.sources)
  fi
  if [[ -z "${uri:-}" && -r /etc/apt/sources.list ]]; then
    uri=$(awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) { if ($i !~ /-security/) print $i; break } }' \
      /etc/apt/sources.list | head -n 1)
  fi
  [[ -n "${uri:-}" ]] || die "no Debian mirror found in the apt configuration"
  echo "${uri%/}"
}

# --- Python -------------------------------------------------------------------

# Identifies an interpreter build; a venv reports the build it was made from.
python_build_id() {
  "$1" -c 'import sys; print(sys.base_prefix, sys.version, sys.abiflags)' 2>/dev/null
}

# ensure_venv <python> <venv> [venv options]...: reuses a venv that runs and was made from
# <python>; a broken or foreign one (say, its interpreter was rebuilt) is made anew.
ensure_venv() {
  local python=$1 venv=$2 wanted
  shift 2
  wanted=$(python_build_id "$python") || die "$python does not run"
  [[ "$(python_build_id "$venv/bin/python")" == "$wanted" ]] && return 0
  rm -rf "$venv"
  "$python" -m venv "$@" "$venv"
}

# venv_pip <venv> <pip arguments>...: runs the venv's pip quietly.
venv_pip() {
  local venv=$1
  shift
  "$venv/bin/python" -m pip --disable-pip-version-check -q "$@"
}

# install_test_requirements <venv>: installs tests/requirements.txt; a copy kept in the
# venv skips pip while the file is unchanged.
install_test_requirements() {
  local venv=$1 requirements="$REPO_ROOT/tests/requirements.txt"
  cmp -s "$requirements" "$venv/.test-requirements" && return 0
  venv_pip "$venv" install -r "$requirements"
  cp "$requirements" "$venv/.test-requirements"
}

# ensure_test_venv <python> <venv>: a working venv from <python> with the test requirements.
ensure_test_venv() {
  ensure_venv "$1" "$2"
  install_test_requirements "$2"
}

# load_interpreters [--print] [kind]...: sets GIL_PYTHON, FT_PYTHON, TSAN_PYTHON and
# TSAN_SUPPRESSIONS for the kinds asked for (default gil and ft) from the output of
# scripts/interpreters, which builds what is missing unless --print is given.
load_interpreters() {
  local output key value
  output=$("$REPO_ROOT/scripts/interpreters" "$@") || die "scripts/interpreters failed"
  while IFS='=' read -r key value; do
    case "$key" in
      gil) GIL_PYTHON=$value ;;
      ft) FT_PYTHON=$value ;;
      tsan) TSAN_PYTHON=$value ;;
      tsan_suppressions) TSAN_SUPPRESSIONS=$value ;;
    esac
  done <<<"$output"
}

# --- the docs -----------------------------------------------------------------

# The docs' tools (Sphinx, furo, matplotlib, the test tools) at the versions
# docs/requirements.txt pins, in a venv of the GIL interpreter.
DOCS_VENV="$REPO_ROOT/build/docs/venv"

# ensure_docs_venv: needs GIL_PYTHON (load_interpreters); a copy of the requirements kept in
# the venv skips pip while the file is unchanged.
ensure_docs_venv() {
  local requirements="$REPO_ROOT/docs/requirements.txt"
  ensure_venv "$GIL_PYTHON" "$DOCS_VENV"
  cmp -s "$requirements" "$DOCS_VENV/.docs-requirements" && return 0
  log "installing the docs tools into $DOCS_VENV"
  venv_pip "$DOCS_VENV" install -r "$requirements"
  cp "$requirements" "$DOCS_VENV/.docs-requirements"
}

# --- PostgreSQL -----------------------------------------------------------------

# The server the extension is built against and installed into.
PG_MAJOR=15
PG_PACKAGES=("postgresql-$PG_MAJOR" "postgresql-server-dev-$PG_MAJOR")
PG_BIN="/usr/lib/postgresql/$PG_MAJOR/bin"

# build_postgres_extension <build dir>: builds kolvi.so on the core's layers and installs it,
# its control file and its script into the machine's PostgreSQL, where CREATE EXTENSION finds
# them.
build_postgres_extension() {
  local build=$1
  ensure_debian_packages "${PG_PACKAGES[@]}"
  cmake -S "$REPO_ROOT" -B "$build" -G Ninja >/dev/null \
    -DCMAKE_BUILD_TYPE=Release -DKOLVI_BUILD_TESTS=OFF -DKOLVI_BUILD_BENCH=OFF \
    -DKOLVI_BUILD_POSTGRES=ON -DKOLVI_PG_CONFIG="$PG_BIN/pg_config"
  cmake --build "$build" --target kolvi_postgres
  cmake --install "$build" --component postgres
}

# as_cluster_owner <command>...: PostgreSQL refuses to run as root, so root runs the server's
# tools as the postgres user the Debian package makes; anyone else runs them as themselves.
as_cluster_owner() {
  if ((EUID == 0)); then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

# start_throwaway_cluster [setting=value]...: initdb and pg_ctl in a new temporary folder that
# holds the data, the log and the Unix socket (no TCP); a trap stops the server and removes the
# folder on every exit. Exports PGHOST, PGUSER and PGDATABASE for the clients, and
# CLUSTER_FOLDER.
start_throwaway_cluster() {
  local setting server_options=(-c listen_addresses= -c fsync=off -c full_page_writes=off)
  CLUSTER_FOLDER=$(mktemp -d "${TMPDIR:-/tmp}/kolvi-postgres.XXXXXX")
  trap stop_throwaway_cluster EXIT
  trap 'exit 129' HUP
  trap 'exit 130' INT
  trap 'exit 143' TERM
  ((EUID == 0)) && chown postgres: "$CLUSTER_FOLDER"
  for setting in "$@"; do
    server_options+=(-c "$setting")
  done
  as_cluster_owner "$PG_BIN/initdb" -D "$CLUSTER_FOLDER/data" -U postgres -A trust \
    -E UTF8 --locale=C --no-sync --no-instructions >/dev/null
  as_cluster_owner "$PG_BIN/pg_ctl" start -w -D "$CLUSTER_FOLDER/data" \
    -l "$CLUSTER_FOLDER/server.log" -o "-k '$CLUSTER_FOLDER' ${server_options[*]}" >/dev/null
  export PGHOST=$CLUSTER_FOLDER PGUSER=postgres PGDATABASE=postgres
  log "PostgreSQL $PG_MAJOR running on the socket in $CLUSTER_FOLDER"
}

# The EXIT trap of start_throwaway_cluster: the server's log when the script failed, then the
# server stopped and its folder removed.
stop_throwaway_cluster() {
  local status=$?
  [[ -n "${CLUSTER_FOLDER:-}" && -d "$CLUSTER_FOLDER" ]] || return "$status"
  if ((status != 0)) && [[ -f "$CLUSTER_FOLDER/server.log" ]]; then
    log "the server's log ends:"
    tail -n 30 "$CLUSTER_FOLDER/server.log" >&2
  fi
  if [[ -f "$CLUSTER_FOLDER/data/postmaster.pid" ]]; then
    as_cluster_owner "$PG_BIN/pg_ctl" stop -D "$CLUSTER_FOLDER/data" -m immediate -w >/dev/null ||
      log "could not stop the server in $CLUSTER_FOLDER"
  fi
  rm -rf "$CLUSTER_FOLDER"
  return "$status"
}
