#!/usr/bin/env bash
# Mutation testing: plants the faults listed in scripts/mutants.txt one at a
# time into a scratch copy of the sources, rebuilds incrementally, runs the
# test suites and reports which suites caught each fault. Not part of CI.
#
#   scripts/mutants.sh [options] [ID...]
#     ID...          run only these mutants (default: all of them)
#     --list         print the mutants and exit
#     --check        only check that every original text occurs exactly once
#     --dir DIR      scratch folder (default $R7_MUTANTS_DIR or /tmp/r7-mutants)
#     --timeout S    per-suite time-out in seconds (default: 4 x the slowest
#                    suite of the clean run, at least 60)
#     --jobs N       build jobs (default 2); ctest always runs -j2
#     --rev REV      take the sources of commit REV instead of the working
#                    tree (while the working tree is in the middle of a change)
#
# The scratch folder holds src/ (a copy of the tracked files plus untracked,
# not ignored ones, as they are in the working tree now, or those of --rev),
# build/ (a plain Debug build with Ninja: no sanitizers, no benchmarks),
# logs/ (one log per mutant) and summary.txt. R7_MUTANTS_LIST names another
# list file.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
LIST_FILE=${R7_MUTANTS_LIST:-$ROOT/scripts/mutants.txt}
WORK=${R7_MUTANTS_DIR:-/tmp/r7-mutants}
TIMEOUT=""
JOBS=2
MODE=run
REV=""
IDS=()

usage() { sed -n '2,/^[^#]/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; }

while [ $# -gt 0 ]; do
    case "$1" in
    --list) MODE=list ;;
    --check) MODE=check ;;
    --dir) WORK=$2; shift ;;
    --timeout) TIMEOUT=$2; shift ;;
    --jobs) JOBS=$2; shift ;;
    --rev) REV=$2; shift ;;
    -h | --help) usage; exit 0 ;;
    -*) echo "unknown option $1" >&2; usage >&2; exit 2 ;;
    *) IDS+=("$1") ;;
    esac
    shift
done

# The mutant list is parsed and applied by Python (standard library only):
# exact text replacement is awkward in sed.
PY=$(command -v python3 || echo /usr/bin/python3)
HELPER=$(mktemp /tmp/r7-mutants-helper.XXXXXX.py)
trap 'rm -f "$HELPER"' EXIT
cat >"$HELPER" <<'EOF'
import os, sys

def parse(path):
    """Blocks of the form
         [ID] relative/path
         what: description
         - original text
         + replacement text
       (one or more -/+ pairs; a '| ' line continues the text above it on a
       new line; '#' lines and blank lines are ignored)."""
    mutants, cur = [], None
    with open(path, encoding="utf-8") as f:
        for n, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            where = f"{path}:{n}"
            if line.startswith("["):
                end = line.index("]")
                cur = {"id": line[1:end], "file": line[end + 1:].strip(), "what": "", "edits": [], "at": where}
                mutants.append(cur)
            elif cur is None:
                sys.exit(f"{where}: text before the first [ID] line")
            elif line.startswith("what:"):
                cur["what"] = line[5:].strip()
            elif line.startswith("- "):
                cur["edits"].append([line[2:], None])
            elif line.startswith("| ") or line == "|":
                if not cur["edits"]:
                    sys.exit(f"{where}: '|' line without a '-' line above")
                last = cur["edits"][-1]
                slot = 0 if last[1] is None else 1
                last[slot] += "\n" + line[2:]
            elif line.startswith("+ ") or line == "+":
                if not cur["edits"] or cur["edits"][-1][1] is not None:
                    sys.exit(f"{where}: '+' line without its '-' line")
                cur["edits"][-1][1] = line[2:]
            else:
                sys.exit(f"{where}: cannot read this line")
    ids = set()
    for m in mutants:
        if m["id"] in ids:
            sys.exit(f"{m['at']}: duplicate id {m['id']}")
        ids.add(m["id"])
        if not m["edits"] or any(e[1] is None for e in m["edits"]):
            sys.exit(f"{m['at']}: {m['id']} needs '-' and '+' lines in pairs")
    return mutants

def problems(m, src):
    path = os.path.join(src, m["file"])
    if not os.path.isfile(path):
        return [f"no file {m['file']}"]
    text = open(path, encoding="utf-8").read()
    out = []
    for old, new in m["edits"]:
        count = text.count(old)
        if count != 1:
            out.append(f"original found {count} times: {old.strip()}")
        if old == new:
            out.append(f"replacement equals original: {old.strip()}")
    return out

def select(mutants, ids):
    if not ids:
        return mutants
    known = {m["id"]: m for m in mutants}
    missing = [i for i in ids if i not in known]
    if missing:
        sys.exit("unknown mutant id: " + " ".join(missing))
    return [known[i] for i in ids]

def main():
    cmd, listfile, src = sys.argv[1:4]
    rest = sys.argv[4:]
    mutants = parse(listfile)
    if cmd == "ids":
        for m in select(mutants, rest):
            print(m["id"])
    elif cmd == "list":
        for m in select(mutants, rest):
            print(f"{m['id']:<5} {m['file']:<32} {m['what']}")
        print(f"{len(mutants)} mutants")
    elif cmd == "check":
        bad = 0
        for m in select(mutants, rest):
            for p in problems(m, src):
                print(f"stale mutant {m['id']} ({m['file']}): {p}")
                bad += 1
        print(f"{len(mutants)} mutants, {bad} problem(s)")
        sys.exit(1 if bad else 0)
    elif cmd == "info":
        m = select(mutants, rest[:1])[0]
        print(f"{m['file']}\t{m['what']}")
    elif cmd == "apply":
        m = select(mutants, rest[:1])[0]
        found = problems(m, src)
        if found:
            for p in found:
                print(f"stale mutant {m['id']} ({m['file']}): {p}", file=sys.stderr)
            sys.exit(3)
        path = os.path.join(src, m["file"])
        text = open(path, encoding="utf-8").read()
        for old, new in m["edits"]:
            text = text.replace(old, new, 1)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
    elif cmd == "sync":
        # Copies the files named on stdin from the working tree; only files
        # whose content differs are written, so their modification time moves
        # forward and Ninja rebuilds exactly what changed.
        root = rest[0]
        written = removed = 0
        names = set()
        for rel in sys.stdin.read().split("\0"):
            if not rel or not os.path.isfile(os.path.join(root, rel)):
                continue
            names.add(os.path.normpath(rel))
            data = open(os.path.join(root, rel), "rb").read()
            dest = os.path.join(src, rel)
            if os.path.isfile(dest) and open(dest, "rb").read() == data:
                continue
            os.makedirs(os.path.dirname(dest) or ".", exist_ok=True)
            with open(dest, "wb") as f:
                f.write(data)
            os.chmod(dest, os.stat(os.path.join(root, rel)).st_mode & 0o777)
            written += 1
        # Files gone from the working tree go from the copy too (lupdate and
        # globbing suites would still see them).
        for folder, _, files in os.walk(src):
            for name in files:
                rel = os.path.normpath(os.path.relpath(os.path.join(folder, name), src))
                if rel not in names:
                    os.remove(os.path.join(folder, name))
                    removed += 1
        print(f"{written} file(s) copied, {removed} removed")

main()
EOF

SRC="$WORK/src"
BUILD="$WORK/build"
LOGS="$WORK/logs"
SUMMARY="$WORK/summary.txt"

case "$MODE" in
list)
    "$PY" "$HELPER" list "$LIST_FILE" "$ROOT" "${IDS[@]}"
    exit 0
    ;;
check)
    # Against the working tree (or --rev), without copying or building.
    if [ -n "$REV" ]; then
        TREE=$(mktemp -d /tmp/r7-mutants-check.XXXXXX)
        trap 'rm -rf "$HELPER" "$TREE"' EXIT
        git -C "$ROOT" archive --format=tar "$REV" | tar -x -C "$TREE"
        "$PY" "$HELPER" check "$LIST_FILE" "$TREE" "${IDS[@]}"
    else
        "$PY" "$HELPER" check "$LIST_FILE" "$ROOT" "${IDS[@]}"
    fi
    exit $?
    ;;
esac

ids_text=$("$PY" "$HELPER" ids "$LIST_FILE" "$ROOT" "${IDS[@]}") || exit 2
mapfile -t RUN_IDS <<<"$ids_text"

mkdir -p "$SRC" "$LOGS"
if [ -n "$REV" ]; then
    echo "== copying the sources of $REV to $SRC"
    TREE="$WORK/rev"
    rm -rf "$TREE" && mkdir -p "$TREE"
    git -C "$ROOT" archive --format=tar "$REV" | tar -x -C "$TREE"
    (cd "$TREE" && find . -type f -print0) | "$PY" "$HELPER" sync "$LIST_FILE" "$SRC" "$TREE"
else
    echo "== copying the sources to $SRC"
    (cd "$ROOT" && git ls-files -z --cached --others --exclude-standard \
        -- . ':!build*' ':!docs/screenshots') |
        "$PY" "$HELPER" sync "$LIST_FILE" "$SRC" "$ROOT"
fi
if ! "$PY" "$HELPER" check "$LIST_FILE" "$SRC" "${RUN_IDS[@]}" >"$LOGS/check.log"; then
    grep '^stale' "$LOGS/check.log" >&2
    echo "fix the stale mutants in $LIST_FILE first" >&2
    exit 1
fi

# The file being mutated, and its original content, while a mutant is in.
MUTATED=""
BACKUP="$WORK/original.bak"
restore() {
    if [ -n "$MUTATED" ]; then
        # A plain copy gives the file a new modification time, so the next
        # build compiles the original again.
        cat "$BACKUP" >"$SRC/$MUTATED"
        MUTATED=""
    fi
}
trap 'restore; rm -f "$HELPER"' EXIT
trap 'exit 130' INT TERM

build() {
    cmake --build "$BUILD" -j "$JOBS" >"$1" 2>&1
}

# CTest keeps each suite's TIMEOUT property over --timeout, so the generated
# test file of the scratch build gets ours instead.
set_timeouts() {
    local f
    while IFS= read -r -d '' f; do
        sed -i -E "s/TIMEOUT \"[0-9.]+\"/TIMEOUT \"$1\"/" "$f"
    done < <(find "$BUILD" -name CTestTestfile.cmake -print0)
}

# Runs the suites; prints the failing ones, comma-separated.
run_suites() {
    local log=$1 status=0
    (cd "$BUILD" && ctest -j2 --timeout "$TIMEOUT" --output-on-failure >"$log" 2>&1) || status=$?
    sed -n '/The following tests FAILED:/,$p' "$log" |
        sed -n -E 's/^[[:space:]]*[0-9]+ - ([^ ]+) \((.*)\)$/\1(\2)/p' | paste -sd, -
    return 0
}

echo "== configuring and building $BUILD (Debug, no sanitizers)"
cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DR7_SANITIZE=OFF \
    -DR7_BUILD_BENCH=OFF -DR7_BUILD_FUZZ=OFF >"$LOGS/configure.log" 2>&1 ||
    { echo "configure failed, see $LOGS/configure.log" >&2; exit 1; }
build "$LOGS/build-clean.log" || { echo "the clean build failed, see $LOGS/build-clean.log" >&2; exit 1; }

echo "== running the suites on the unmutated sources"
set_timeouts 600
SAVED_TIMEOUT=$TIMEOUT
TIMEOUT=600
failed=$(run_suites "$LOGS/clean.log")
if [ -n "$failed" ] || ! grep -q '100% tests passed' "$LOGS/clean.log"; then
    echo "the unmutated suites do not pass (${failed:-see log}); see $LOGS/clean.log" >&2
    exit 1
fi
TIMEOUT=$SAVED_TIMEOUT
if [ -z "$TIMEOUT" ]; then
    slowest=$(sed -n -E 's/.*Passed +([0-9.]+) sec$/\1/p' "$LOGS/clean.log" | sort -g | tail -n1)
    TIMEOUT=$("$PY" -c "import math,sys; print(max(60, math.ceil(4 * float(sys.argv[1] or 0))))" "${slowest:-0}")
fi
set_timeouts "$TIMEOUT"
echo "   $(grep -E 'tests passed' "$LOGS/clean.log"); per-suite time-out ${TIMEOUT} s"

killed=0 survived=0 notcompiled=0 noresult=0
SURVIVORS=() NOTCOMPILED=() NORESULT=()
header=$(printf '%-5s %-13s %5s  %-30s %s' id verdict time file "failing suites")
{
    echo "Mutation run $(date -u '+%Y-%m-%d %H:%M UTC'), sources of $ROOT${REV:+ at $REV}"
    echo "per-suite time-out ${TIMEOUT} s"
    echo
    echo "$header"
} >"$SUMMARY"
echo "$header"
start=$(date +%s)

for id in "${RUN_IDS[@]}"; do
    IFS=$'\t' read -r file what < <("$PY" "$HELPER" info "$LIST_FILE" "$SRC" "$id")
    cp "$SRC/$file" "$BACKUP"
    MUTATED=$file
    if ! "$PY" "$HELPER" apply "$LIST_FILE" "$SRC" "$id"; then
        restore
        echo "stale mutant $id: its original text is not found exactly once in $file" >&2
        exit 1
    fi
    t0=$(date +%s)
    if build "$LOGS/$id.build.log"; then
        set_timeouts "$TIMEOUT"
        failed=$(run_suites "$LOGS/$id.log")
        if [ -n "$failed" ]; then
            verdict=killed; killed=$((killed + 1))
        elif grep -q '100% tests passed' "$LOGS/$id.log"; then
            verdict=survived; survived=$((survived + 1)); SURVIVORS+=("$id")
        else
            # CTest itself did not run through: no verdict either way.
            verdict="no result"; noresult=$((noresult + 1)); NORESULT+=("$id"); failed="see logs/$id.log"
        fi
    else
        verdict="not compiled"; notcompiled=$((notcompiled + 1)); NOTCOMPILED+=("$id"); failed=""
    fi
    restore
    line=$(printf '%-5s %-13s %4ss  %-30s %s' "$id" "$verdict" "$(($(date +%s) - t0))" "$file" "${failed:-}")
    echo "$line"
    echo "$line" >>"$SUMMARY"
done

# Leave the build matching the sources again.
build "$LOGS/build-final.log" || true

compiled=$((killed + survived))
{
    echo
    if [ "$compiled" -gt 0 ]; then
        echo "kill score: $killed / $compiled compiled mutants ($((100 * killed / compiled))%)"
    else
        echo "kill score: no compiled mutants"
    fi
    echo "not compiled: $notcompiled${NOTCOMPILED[*]:+ (${NOTCOMPILED[*]})}"
    [ "$noresult" -eq 0 ] || echo "no result (CTest did not finish): $noresult (${NORESULT[*]})"
    echo "survivors: ${SURVIVORS[*]:-none}"
    for id in "${SURVIVORS[@]}"; do
        IFS=$'\t' read -r file what < <("$PY" "$HELPER" info "$LIST_FILE" "$SRC" "$id")
        echo "  $id  $file: $what"
    done
    echo "time: $(( ($(date +%s) - start) / 60 )) min for ${#RUN_IDS[@]} mutant(s)"
} | tee -a "$SUMMARY"
echo "summary in $SUMMARY, logs in $LOGS"
