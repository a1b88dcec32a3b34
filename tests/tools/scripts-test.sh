#!/usr/bin/env bash
# Runs the set-up and test scripts of tools/ against stand-ins. tools/setup.sh meets a machine
# where some packages were never installed: dpkg-query knows only the names in $KNOWN and exits 1
# for the others, as dpkg does; apt-get and sudo write their arguments to calls.log.
# tools/run-tests.sh meets an Xvfb that cannot start.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
setup="$here/../../tools/setup.sh"
run_tests="$here/../../tools/run-tests.sh"
bash=$(command -v bash)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

stand_in() {  # stand_in name body: a script of that name in the stand-ins' folder
  printf '#!/bin/sh\n%s\n' "$2" >"$work/bin/$1"
  chmod +x "$work/bin/$1"
}

# run_setup uid install_status [sudo|sudo-refuses]: runs the set-up with only the stand-ins on
# PATH; sets out, status. The stand-in sudo runs what it is given and answers `sudo -l apt-get`, as
# for a user in sudoers, or with sudo-refuses refuses everything, as for one who is not.
run_setup() {
  rm -rf "$work/bin" && mkdir "$work/bin" && : >"$work/calls.log"
  stand_in dpkg-query '
status=0
for name; do
  case $name in -*) continue ;; esac
  case " $KNOWN " in
    *" $name "*) printf "ii  %s\n" "$name" ;;
    *) echo "dpkg-query: no packages found matching $name" >&2; status=1 ;;
  esac
done
exit $status'
  stand_in apt-get "echo \"apt-get \$*\" >>'$work/calls.log'; [ \"\$1\" = install ] && exit $2; exit 0"
  stand_in id "echo $1"
  case ${3:-} in
    sudo) stand_in sudo "echo \"sudo \$1\" >>'$work/calls.log'
[ \"\$1\" = -l ] && [ \"\$2\" = apt-get ] && echo /usr/bin/apt-get && exit 0
exec \"\$@\"" ;;
    sudo-refuses) stand_in sudo "echo \"sudo \$1\" >>'$work/calls.log'
echo 'Sorry, user tester may not run sudo on machine.' >&2; exit 1" ;;
  esac
  out=$(PATH="$work/bin" "$bash" "$setup" 2>&1)
  status=$?
}

check() {  # check description condition...
  local what=$1
  shift
  if ! "$@"; then
    echo "FAIL: $what"
    echo "  exit status $status; output:"; sed 's/^/    /' <<<"$out"
    echo "  calls:"; sed 's/^/    /' "$work/calls.log"
    failures=$((failures + 1))
  fi
}

all=$(sed -n '/^packages=(/,/^)/p' "$setup" | sed '1d;$d' | xargs)
missing="mold qt6-base-dev xvfb poppler-utils"
KNOWN=$(for p in $all; do case " $missing " in *" $p "*) ;; *) echo "$p" ;; esac; done | xargs)
export KNOWN
install_line="apt-get install -y -qq --no-install-recommends $missing"

run_setup 0 0
check "as root, exactly the missing packages are installed" \
  [ "$status" -eq 0 -a "$(cat "$work/calls.log")" = "apt-get update -qq
$install_line" ]
echo "recorded: $(tail -n 1 "$work/calls.log")"

run_setup 1000 0 sudo
check "without root, the install goes through sudo" \
  [ "$status" -eq 0 -a "$(cat "$work/calls.log")" = "sudo -l
sudo apt-get
apt-get update -qq
sudo apt-get
$install_line" ]

KNOWN=$all run_setup 1000 0 sudo
check "with every package present, nothing is called" [ "$status" -eq 0 -a ! -s "$work/calls.log" -a -z "$out" ]

run_setup 0 100
check "a failing apt-get is a failure that says so" \
  [ "$status" -ne 0 -a -n "$(grep "apt-get install failed for $missing" <<<"$out")" ]

# Refused, the set-up says why and what to run as root, on a line of its own.
by_hand="  su -c 'apt-get update && apt-get install --no-install-recommends $missing'"
run_setup 1000 0
check "without root or sudo, the set-up fails and says why and what to run" \
  [ "$status" -ne 0 -a ! -s "$work/calls.log" -a -n "$(grep 'not root, and there is no sudo' <<<"$out")" \
    -a -n "$(grep -Fx "$by_hand" <<<"$out")" ]

run_setup 1000 0 sudo-refuses
check "when sudo refuses, the set-up says that it did, and what to run" \
  [ "$status" -ne 0 -a "$(cat "$work/calls.log")" = "sudo -l" \
    -a -n "$(grep 'sudo refused to run apt-get' <<<"$out")" -a -z "$(grep 'apt-get update failed' <<<"$out")" \
    -a -n "$(grep -Fx "$by_hand" <<<"$out")" ]

rm -rf "$work/bin" && mkdir "$work/bin" && : >"$work/calls.log"
stand_in Xvfb 'echo "(EE) Fatal server error: no screens found" >&2; exit 1'
out=$(env -u DISPLAY PATH="$work/bin:$PATH" "$bash" "$run_tests" "$work/no-build" 2>&1)
status=$?
check "an Xvfb that cannot start is a failure in its own words" \
  [ "$status" -ne 0 -a -n "$(grep 'Fatal server error: no screens found' <<<"$out")" ]

mkdir -p "$work/no-tests"
out=$(DISPLAY=:0 "$bash" "$run_tests" "$work/no-tests" 2>&1)
status=$?
check "a build folder with no tests in it is a failure, not a pass" \
  [ "$status" -ne 0 -a -n "$(grep 'No tests were found' <<<"$out")" ]

[ $failures -eq 0 ] && echo "scripts: all cases passed"
exit $((failures > 0))
