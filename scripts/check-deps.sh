#!/usr/bin/env bash
# Checks that every file a build read from outside the repository comes from a Debian package
# that install-deps.sh installs, directly or through the Depends of what it installs. A package
# that is merely present on this machine (installed by hand, or pulled in as a Recommends) is
# missing on a fresh one, and the build would stop there.
#
# What counts as read: the CMake files the configure step read (package configurations and
# modules), every header the compiler used (Ninja's dependency log), every file the linker
# opened (each link is run again with --trace into a scratch file), and the programs the scripts
# and tests call.
#
# usage: check-deps.sh [--without PACKAGE]... [--no-link] BUILD_DIR...
#   --without PACKAGE  check as if PACKAGE were not in the list (shows the check catches it)
#   --no-link          skip the linker's files (faster; the CMake files and headers remain)
# Exit status: 0 when everything is covered, 1 naming each missing package and a file it gave.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

without=()
link=1
builds=()
while [ $# -gt 0 ]; do
    case "$1" in
    --without) without+=("$2"); shift 2 ;;
    --no-link) link=0; shift ;;
    *) builds+=("$(cd "$1" && pwd)"); shift ;;
    esac
done
[ ${#builds[@]} -gt 0 ] || { echo "usage: $0 [--without PACKAGE]... [--no-link] BUILD_DIR..." >&2; exit 2; }

# Programs the scripts and the tests start, besides the compilers the builds name.
programs=(cmake ninja dpkg-query awk ip unshare
    cpack dpkg-shlibdeps file strip readelf objcopy dpkg-deb desktop-file-validate setpriv gzip
    pdftotext lintian appstreamcli Xvfb xwininfo xprop)

# --- the packages that a fresh machine will have ---------------------------------------------
"$repo/scripts/install-deps.sh" --list | grep -vxF -f <(printf '%s\n' "${without[@]}" "") \
    >"$scratch/wanted" || true
dpkg-query -W -f='${Package}\t${Essential}\n' | awk -F'\t' '$2 == "yes" { print $1 }' \
    >>"$scratch/wanted"
# Depends and Pre-Depends of every installed package, and who provides which virtual name.
dpkg-query -W -f='${Package}\t${Pre-Depends}, ${Depends}\t${Provides}\n' >"$scratch/control"

awk -F'\t' '
    # The names a Depends field pulls in: of alternatives "a | b" the first, which apt takes on
    # a machine that has neither.
    function names(field, out,   parts, n, i, name) {
        n = split(field, parts, ",")
        for (i = 1; i <= n; i++) {
            name = parts[i]
            sub(/\|.*/, "", name); sub(/\(.*/, "", name); gsub(/[ \t]/, "", name); sub(/:.*/, "", name)
            if (name != "") out[name] = 1
        }
    }
    function provided(field, out,   parts, n, i, name) {
        n = split(field, parts, ",")
        for (i = 1; i <= n; i++) {
            name = parts[i]; sub(/\(.*/, "", name); gsub(/[ \t]/, "", name)
            if (name != "") out[name] = 1
        }
    }
    FILENAME == ARGV[1] {
        deps[$1] = $2
        delete p; provided($3, p)
        for (v in p) providers[v] = providers[v] " " $1
        installed[$1] = 1
        next
    }
    { queue[++tail] = $1 }
    END {
        # Breadth-first over Depends; of a virtual name every provider counts, since apt may
        # pick any of them.
        for (head = 1; head <= tail; head++) {
            pkg = queue[head]
            if (pkg in have) continue
            have[pkg] = 1
            if (!(pkg in installed)) {
                n = split(providers[pkg], prov, " ")
                for (i = 1; i <= n; i++) queue[++tail] = prov[i]
                continue
            }
            delete d; names(deps[pkg], d)
            for (x in d) queue[++tail] = x
        }
        for (pkg in have) print pkg
    }' "$scratch/control" "$scratch/wanted" | sort -u >"$scratch/covered"

# --- the files the builds read ----------------------------------------------------------------
outside() { # keeps absolute paths outside the repository, cleaned of "..", one per line
    grep '^/' | grep -v "^$repo/" | xargs -r -d '\n' realpath -ms | grep -v "^$repo/" || true
}

for build in "${builds[@]}"; do
    # CMake lists every file the configure step read as an input of build.ninja.
    ninja -C "$build" -t query build.ninja | sed -n 's/^ *| *//p' | outside
    ninja -C "$build" -t deps | sed -n 's/^    //p' | outside
    compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
    readlink -f "$compiler"
    [ "$link" -eq 1 ] || continue
    # Each link of an executable or a shared library, run again with the linker's trace into a
    # scratch file: only the compiler's own commands that make no object file (never the
    # archiver's, whose first step removes the library).
    ninja -C "$build" -t commands | grep '^: && ' | sed -e 's/^: && //' -e 's/ && .*$//' |
        grep -F "$compiler " | grep -v -e ' -c ' | sort -u | while read -r command; do
        out="$scratch/linked.out"
        # shellcheck disable=SC2001
        command=$(sed "s| -o [^ ]*| -o $out|" <<<"$command")
        if ! (cd "$build" && eval "$command -Wl,--trace") </dev/null >"$scratch/trace" 2>&1; then
            cat "$scratch/trace" >&2
            echo "check-deps: a link of $build failed when run again; build it first" >&2
            exit 1
        fi
        sed -e 's/^.*(\(.*\))$/\1/' -e 's/^(\([^)]*\)).*$/\1/' "$scratch/trace" | outside
    done
done >"$scratch/files"
for program in "${programs[@]}"; do
    path=$(command -v "$program" || true)
    if [ -z "$path" ]; then
        echo "missing program: $program (not installed here either)" >&2
        exit 1
    fi
    readlink -f "$path"
done >>"$scratch/files"
sort -u "$scratch/files" -o "$scratch/files"

# --- each file to its package -------------------------------------------------------------------
# The owners come from dpkg's own file lists; a path is tried as read, with symbolic links
# resolved, and under both roots of the merged /usr (dpkg may list /lib for /usr/lib).
while read -r file; do
    resolved=$(readlink -f "$file" 2>/dev/null || echo "$file")
    for candidate in "$file" "$resolved"; do
        printf '%s\t%s\n' "$file" "$candidate"
        case "$candidate" in
        /usr/*) printf '%s\t%s\n' "$file" "${candidate#/usr}" ;;
        *) printf '%s\t%s\n' "$file" "/usr$candidate" ;;
        esac
    done
done <"$scratch/files" >"$scratch/candidates"

find /var/lib/dpkg/info -name '*.list' -print0 | xargs -0 awk -F'\t' '
    BEGIN { while ((getline line < "'"$scratch/candidates"'") > 0) {
        split(line, f, "\t"); wanted[f[2]] = wanted[f[2]] "\t" f[1] } }
    FNR == 1 { pkg = FILENAME; sub(/.*\//, "", pkg); sub(/\.list$/, "", pkg); sub(/:.*/, "", pkg) }
    ($0 in wanted) { n = split(wanted[$0], files, "\t")
        for (i = 2; i <= n; i++) print files[i] "\t" pkg }' | sort -u >"$scratch/owners"

# --- the verdict --------------------------------------------------------------------------------
status=0
unowned=$(cut -f1 "$scratch/owners" | sort -u | comm -13 - "$scratch/files")
if [ -n "$unowned" ]; then
    status=1
    while read -r file; do echo "not from a Debian package: $file"; done <<<"$unowned"
fi
# A file whose owners include a covered package is fine (a file can belong to several).
awk -F'\t' 'FILENAME == ARGV[1] { covered[$1] = 1; next }
    { owners[$1] = owners[$1] " " $2; if ($2 in covered) ok[$1] = 1 }
    END { for (f in owners) if (!(f in ok)) { split(owners[f], o, " ")
        if (!(o[1] in shown)) { shown[o[1]] = 1
            print "missing package: " o[1] " (install-deps.sh does not install it; needed for " f ")" } } }' \
    "$scratch/covered" "$scratch/owners" | sort >"$scratch/missing"
if [ -s "$scratch/missing" ]; then
    status=1
    cat "$scratch/missing"
fi
[ "$status" -eq 0 ] && echo "dependencies: $(wc -l <"$scratch/files") files read from outside the repository, each from a listed package or one it depends on"
exit "$status"
