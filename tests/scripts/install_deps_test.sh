#!/usr/bin/env bash
# The decisions of scripts/install-deps, with fake apt-get, dpkg, dpkg-query and id on the PATH
# (no network, nothing installed): an index that cannot be downloaded, an optional package that
# cannot be installed, a required one that cannot, a failure that passes on the second try, and
# a user who is not root.
#
# Usage: install_deps_test.sh INSTALL-DEPS
set -uo pipefail
script=$1
unset KZN_DEPS_CHECKED  # set by ./scripts/test, which runs this test
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0

# The fakes. FAKE_INSTALLED: "all", "none" or "all-but-optional"; FAKE_FAIL: a list of
# "update", "required" (an install without wine32:i386), "optional" (one with it), each failing
# every time, or with the suffix ":once" only the first time. Every call goes to $dir/calls.
mkdir -p "$dir/bin"
cat >"$dir/bin/dpkg-query" <<'EOF'
#!/bin/bash
package=${!#}
case $FAKE_INSTALLED in
all) echo "install ok installed" ;;
all-but-optional) [ "$package" = wine32:i386 ] || echo "install ok installed" ;;
esac
exit 0
EOF
cat >"$dir/bin/apt-get" <<'EOF'
#!/bin/bash
echo "apt-get $*" >>"$FAKE_DIR/calls"
kind=update
if [ "$1" != update ]; then
    kind=required
    [[ " $* " == *" wine32:i386 "* ]] && kind=optional
fi
for failure in $FAKE_FAIL; do
    if [ "$failure" = "$kind:once" ] && ! [ -e "$FAKE_DIR/failed-$kind" ]; then
        touch "$FAKE_DIR/failed-$kind"
        failure=$kind
    fi
    if [ "$failure" = "$kind" ]; then
        if [ $kind = update ]; then
            echo "E: Failed to fetch http://mirror/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
            echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
        else
            echo "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages."
        fi
        exit 100
    fi
done
exit 0
EOF
printf '#!/bin/sh\necho "dpkg $*" >>"$FAKE_DIR/calls"\n' >"$dir/bin/dpkg"
printf '#!/bin/sh\necho "${FAKE_UID:-0}"\n' >"$dir/bin/id"
chmod +x "$dir/bin/"*

# Runs the script in a scenario; checks its exit status, that its output matches every pattern of
# EXPECTED (a list separated by "|||"), and that the calls it made match CALLS (a pattern over
# the calls joined by "; ").
scenario() {
    local name=$1 installed=$2 fail=$3 uid=$4 status=$5 expected=$6 calls=$7
    rm -f "$dir/calls" "$dir"/failed-*
    touch "$dir/calls"
    local output code
    output=$(PATH="$dir/bin:$PATH" FAKE_DIR=$dir FAKE_INSTALLED=$installed FAKE_FAIL=$fail \
        FAKE_UID=$uid KZN_APT_RETRY_SECONDS=0 bash "$script" 2>&1)
    code=$?
    local made
    made=$(paste -sd ';' "$dir/calls" | sed 's/;/; /g')
    local problem=""
    [ "$code" -eq "$status" ] || problem="exit status $code, not $status"
    local pattern
    while IFS= read -r pattern; do
        [ -z "$pattern" ] && continue
        printf '%s\n' "$output" | grep -Eq -- "$pattern" || problem="${problem:+$problem; }no line matches /$pattern/"
    done < <(printf '%s\n' "$expected" | sed 's/|||/\n/g')
    printf '%s\n' "$made" | grep -Eq -- "^$calls\$" || problem="${problem:+$problem; }calls were: $made"
    if [ -n "$problem" ]; then
        echo "FAIL $name: $problem"
        printf '%s\n' "$output" | sed 's/^/     | /'
        failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
}

install='apt-get install -y -qq'
required_install="$install cmake [^;]*nodejs( npm)?"
optional_install="$install wine32:i386"

scenario "nothing missing" all "" 0 0 "" ""
scenario "all installed" none "" 0 0 "^Installing: cmake .* wine32:i386\$" \
    "dpkg --add-architecture i386; apt-get update -qq; $required_install; $optional_install"
scenario "index that cannot be had" none "update" 0 0 \
    "^Some package indexes could not be downloaded \(http://mirror/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz\); installing from the rest\$" \
    "dpkg --add-architecture i386; apt-get update -qq; apt-get update -qq; $required_install; $optional_install"
scenario "optional package fails" none "update optional" 0 0 \
    "^Optional package wine32:i386 could not be installed \(Error, pkgProblemResolver.*\); the tests that need it will not run\$" \
    "dpkg .*; apt-get update -qq; apt-get update -qq; $required_install; $optional_install; $optional_install"
scenario "required package fails" none "required" 0 1 \
    "Required packages could not be installed. Install them with: apt-get update && apt-get install -y cmake .*nodejs( npm)?\$" \
    "dpkg .*; apt-get update -qq; $required_install; $required_install"
scenario "each fails once" none "update:once required:once optional:once" 0 0 "^Installing" \
    "dpkg .*; apt-get update -qq; apt-get update -qq; $required_install; $required_install; $optional_install; $optional_install"
scenario "only the optional one missing" all-but-optional "" 0 0 "" \
    "dpkg --add-architecture i386; apt-get update -qq; $optional_install"
scenario "not root, required missing" none "" 1000 1 \
    "^Install them with: sudo apt-get update && sudo apt-get install -y cmake .*nodejs( npm)?\$" ""
scenario "not root, optional missing" all-but-optional "" 1000 0 \
    "^Optional package not installed: wine32:i386" ""
exit $((failures > 0))
