#!/usr/bin/env bash
# The README's recipe for a tree larger than one machine, run as it is written there on a
# small tree: GNU parallel spreads the files over this machine (":") and two stand-in
# machines, each reached through a stand-in for ssh that gives it a home folder of its
# own, so the files really travel there and back (rsync) and are cleaned up. One file
# is not a WAV file: its job fails, parallel counts it, the others are converted.
#   parallel_recipe_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$(realpath "$1") build=$(realpath "$2")
for tool in parallel rsync sox; do
  command -v $tool >/dev/null || { echo "$tool is missing (tools/setup.sh installs it)"; exit 77; }
done
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
# What a failure leaves to look at: parallel's output, its job log, which machines took
# jobs, and the files on each side.
fail() {
  echo "parallel recipe: $*" >&2
  for f in "$work/out.txt" "$work/home/encode.log" "$work/logins"; do
    [ -e "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
  done
  echo "--- files" >&2
  (cd "$work" && find home hosts -type f ! -path '*/.parallel/*' >&2) || true
  exit 1
}

# The recipe: the lines of the README's block from "find" to the end of the command.
recipe=$(sed -n '/^## Libraries larger than one machine/,/^## /p' "$src/README.md" |
         sed -n '/^    find /,/[^\\]$/p' | sed 's/^    //')
[ -n "$recipe" ] || fail "no recipe found in README.md"
grep -q -- '--sshlogin "$HOSTS"' <<<"$recipe" || fail "the recipe does not take its machines from \$HOSTS"

# A stand-in for ssh: "machine" NAME runs its commands in hosts/NAME, its home.
mkdir -p "$work/bin" "$work/hosts/one" "$work/hosts/two"
cat >"$work/bin/stand-in-ssh" <<EOF
#!/bin/sh
while [ \$# -gt 0 ]; do case \$1 in -*) shift ;; *) break ;; esac; done
host=\$1
shift
[ "\$1" = -- ] && shift
echo "\$host" >>"$work/logins"
cd "$work/hosts/\$host" && HOME="$work/hosts/\$host" exec sh -c "\$*"
EOF
chmod +x "$work/bin/stand-in-ssh"

tree=$work/home/Music/wav
mkdir -p "$tree/Album One" "$tree/Album Two/CD 2"
for name in "Album One/01 Intro" "Album One/02 Song" "Album Two/CD 2/01 Finale" "Album Two/05 Middle" single; do
  sox -n -r 44100 -c 2 -b 16 "$tree/$name.wav" synth 0.4 sine 330
done
echo "not audio" >"$tree/Album Two/broken.wav"

export PATH=$build/bin:$PATH HOME=$work/home XDG_CONFIG_HOME=$work/config
# parallel runs remote commands through $SHELL; a login session sets it, a bare CI
# container may not, and then every remote job "succeeds" without running.
export SHELL=${SHELL:-/bin/sh}
export HOSTS="1/:,1/$work/bin/stand-in-ssh one,1/$work/bin/stand-in-ssh two"
set +e
(cd "$tree" && bash -c "$recipe") >"$work/out.txt" 2>&1
status=$?
set -e
[ "$status" -eq 1 ] || { cat "$work/out.txt" >&2; fail "parallel exited $status, not 1 (one failed file)"; }

converted=0
while IFS= read -r -d '' input; do
  relative=${input#"$tree"/}
  [ "$relative" = "Album Two/broken.wav" ] && continue
  mp3=$tree/mp3/${relative%.wav}.mp3
  [ -s "$mp3" ] || fail "no ${mp3#"$tree"/} for $relative"
  seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$mp3")
  awk -v s="$seconds" 'BEGIN { exit !(s > 0.3 && s < 0.5) }' || fail "$mp3 lasts $seconds s, not 0.4"
  converted=$((converted + 1))
done < <(find "$tree" -path "$tree/mp3" -prune -o -name '*.wav' -print0)
[ "$converted" -eq 5 ] || fail "$converted files converted, not 5"
[ ! -e "$tree/mp3/Album Two/broken.mp3" ] || fail "the broken file has an output"

# Each file is one job with its own exit status; both stand-ins took jobs, and cleaned up.
log=$HOME/encode.log
[ -s "$log" ] || fail "no job log $log"
[ "$(awk -F'\t' 'NR > 1 && $7 == 1' "$log" | wc -l)" -eq 1 ] || fail "the job log does not show one failed job"
[ "$(awk -F'\t' 'NR > 1 && $7 == 1 && /broken.wav/' "$log" | wc -l)" -eq 1 ] || fail "the failed job is not broken.wav"
for host in one two; do
  grep -qx "$host" "$work/logins" || fail "no job went to the stand-in machine $host"
  [ -z "$(find "$work/hosts/$host" -name '*.wav' -o -name '*.mp3')" ] || fail "files were left on $host"
done
echo "parallel recipe: passed"
