#!/usr/bin/env bash
# Drives the bash completion of quillon as bash-completion does (COMP_WORDS, COMP_CWORD,
# then COMPREPLY) in a folder of files of every kind, against the real program: every
# option each subcommand's usage names is offered, the bitrates offered for a layer are
# the ones quillon takes, and a table of lines gives exactly the words expected.
#   completion_test.sh SOURCE_DIR BUILD_DIR
src=$(realpath "$1") build=$(realpath "$2")
export LC_ALL=C
script=$src/res/completion/quillon.bash
quillon=$build/bin/quillon
library=/usr/share/bash-completion/bash_completion
[ -r "$library" ] || { echo "bash-completion is missing (tools/setup.sh installs it)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# shellcheck disable=SC1090
source "$library"
source "$script"

export XDG_CONFIG_HOME=$work/config QUILLON_VIRTUAL_CD=$work/drives
# The second drive holds a disc of a data track and three audio tracks.
sox -n -r 44100 -c 2 -b 16 "$work/disc.wav" synth 4 sine 440
printf 'FILE "disc.wav" WAVE\n' >"$work/disc.cue"
for n in 1 2 3 4; do
  printf '  TRACK 0%d %s\n    INDEX 01 00:0%d:00\n' $n "$([ $n = 1 ] && echo MODE1/2352 || echo AUDIO)" $((n - 1))
done >>"$work/disc.cue"
printf 'ATAPI | QUILLON | FIRST | 1.0 | none\nATAPI | QUILLON | SECOND | 1.0 | disc.cue\n' >"$work/drives"
mkdir -p "$work/tree/sub dir"
touch "$work/tree/"{a.wav,B.WAV,c.mp3,d.mp2,e.flac,pic.png,photo.JPG,notes.txt,-n.wav}
cd "$work/tree" || exit 1

# The words bash-completion would give for LINE (completed at its end), sorted, one line.
complete_line() {
  local line=$1
  # readline breaks words at blanks and makes "=" a word of its own.
  read -r -a COMP_WORDS <<<"${line//=/ = }"
  [[ $line == *" " || $line == *"=" ]] && COMP_WORDS+=("")
  COMP_WORDS[0]=${typed:-$quillon}
  COMP_LINE="${COMP_WORDS[0]} ${line#quillon }"
  COMP_POINT=${#COMP_LINE}
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _quillon quillon "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

# What the program says: its subcommands and each one's options.
subcommands=$("$quillon" --help | sed -n 's/^  quillon \([a-z]\+\).*/\1/p')
[ -n "$subcommands" ] || fail "quillon --help lists no subcommands"
offered=" $(complete_line 'quillon ') "
for name in $subcommands; do
  [[ $offered == *" $name "* ]] || fail "subcommand $name (quillon --help) is not offered by $script"
  usage=$("$quillon" help "$name") || fail "quillon help $name failed"
  # The synopsis (up to the first blank line) and the option lines, not the prose.
  options=$(sed -n '1,/^$/p; /^Options:/,$p' <<<"$usage" | grep -oE '(^|[][ |,(])(--[a-z0-9][a-z0-9-]*|-[a-z])\b' | grep -oE -- '-.*' | sort -u)
  # defaults takes its other options after --save.
  completed=" $(complete_line "quillon $name -") $(complete_line "quillon $name --save -") "
  for option in $options; do
    [[ $completed == *" $option "* ]] ||
      fail "quillon $name: option $option (quillon help $name) is not offered by $script"
  done
done

# The bitrates offered for each layer are those the program takes: it lists them when
# refusing one it does not.
"$quillon" defaults --save --layer 1 --bitrate 64 >/dev/null || fail "cannot store layer 1 as the default"
for layer in $(complete_line 'quillon encode --layer '); do
  refusal=$("$quillon" encode --layer "$layer" --bitrate 1 -o . a.wav 2>&1)
  takes=$(sed -n 's/.*use one of: *//p' <<<"$refusal" | tr ' ' '\n' | sort | tr '\n' ' ' | sed 's/ $//')
  [ -n "$takes" ] || fail "quillon gave no bitrates for layer $layer: $refusal"
  got=$(complete_line "quillon encode --layer $layer --bitrate ")
  [ "$got" = "$takes" ] || fail "layer $layer: the completion offers '$got', quillon takes '$takes'"
  if [ "$layer" = 1 ]; then
    stored=$(complete_line "quillon rip --tracks 1 --bitrate ")
    [ "$stored" = "$takes" ] || fail "without --layer the stored layer 1's bitrates are offered, not '$stored'"
    # The program typed as ~/PATH is asked too.
    ln -s "$quillon" "$work/q"
    stored=$(HOME=$work typed='~/q' complete_line "quillon encode --bitrate ")
    [ "$stored" = "$takes" ] || fail "typed as ~/q, the stored layer 1's bitrates are not offered: '$stored'"
  fi
done

# The files offered to encode and decode are those they take: one file of each kind is
# made and tried.
kinds=$work/kinds
mkdir -p "$kinds" "$work/kinds-out"
for ext in wav flac ogg aiff au w64 caf voc; do
  sox -n -r 44100 -c 2 -b 16 "$kinds/k.$ext" synth 0.1 sine 440 2>/dev/null
done
lame --quiet "$kinds/k.wav" "$kinds/k.mp3"
twolame --quiet "$kinds/k.wav" "$kinds/k.mp2"
cp "$kinds/k.mp2" "$kinds/k.mpa"
echo text >"$kinds/k.txt"
# MPEG audio is decode's, also where encode would take it.
for subcommand in encode decode; do
  takes=$(cd "$kinds" && for file in k.*; do
    [[ $subcommand == encode && $file == k.mp* ]] && continue
    "$quillon" "$subcommand" -o "$work/kinds-out" "$file" >/dev/null 2>&1 && echo "$file"
  done | sort | tr '\n' ' ' | sed 's/ $//')
  got=$(cd "$kinds" && complete_line "quillon $subcommand " | tr ' ' '\n' |
        { if [ $subcommand = encode ]; then grep -v '^k\.mp'; else cat; fi; } | tr '\n' ' ' | sed 's/ $//')
  [ "$got" = "$takes" ] || fail "quillon $subcommand takes '$takes'; $script offers '$got'"
done

# LINE | the words offered, sorted (files as _filedir gives them: directories too).
rows=(
  'quillon en|encode'
  'quillon -|--help --version -h'
  'quillon |-n.wav B.WAV a.wav c.mp3 d.mp2 decode defaults drives e.flac encode grab help lookup rip sub dir toc'
  'quillon a.wav |-n.wav B.WAV a.wav c.mp3 d.mp2 e.flac sub dir'
  'quillon encode |-n.wav B.WAV a.wav e.flac sub dir'
  'quillon encode -- -|-n.wav'
  'quillon decode |c.mp3 d.mp2 sub dir'
  'quillon decode --j|--jobs'
  'quillon encode --no-|--no-copyright --no-crc --no-original'
  'quillon encode --layer |1 2 3'
  'quillon encode --layer=|1 2 3'
  'quillon rip --mode |dual joint mono stereo'
  'quillon rip --mode=j|joint'
  'quillon encode --emphasis |50/15 ccitt none'
  'quillon toc --drive |0 1'
  'quillon grab --drive=|0 1'
  'quillon defaults --save --drive |0 1'
  'quillon rip --cover |photo.JPG pic.png sub dir'
  'quillon grab -o |sub dir'
  'quillon grab |'
  'quillon rip --tracks 1 |'
  'quillon rip --drive 1 --tracks |2 3 4'
  'quillon grab --drive=1 --tracks=2,|2,2 2,3 2,4'
  'quillon rip --drive 1 --tracks 2-|2-2 2-3 2-4'
  'quillon rip --tracks |'
  'quillon rip --artist |'
  'quillon drives |'
  'quillon defaults -|--help --save'
  'quillon defaults --save --d|--drive'
  'quillon help |decode defaults drives encode grab help lookup rip toc'
  'quillon help encode |'
)
for row in "${rows[@]}"; do
  line=${row%%|*} expected=${row#*|}
  got=$(complete_line "$line")
  [ "$got" = "$expected" ] || fail "'$line<TAB>' offers '$got', expected '$expected'"
done

[ $failures -eq 0 ] || { echo "completion test: $failures failures" >&2; exit 1; }
echo "completion test: passed"
