# bash completion for quillon: the subcommands, each one's options, the values of the
# options and the files each subcommand takes.

_quillon_encoding_options='--layer --bitrate --mode --fast --hq --copyright --no-copyright
    --original --no-original --crc --no-crc --emphasis'

# The options of one subcommand, as its usage (quillon SUBCOMMAND --help) lists them.
_quillon_options()
{
    local subcommand=$1 saving=$2
    case $subcommand in
        encode) echo "-o --jobs $_quillon_encoding_options --help" ;;
        decode) echo "-o --jobs --help" ;;
        defaults)
            if [[ $saving ]]; then
                echo "-o --drive --offset $_quillon_encoding_options"
            else
                echo "--save --help"
            fi
            ;;
        drives) echo "--help" ;;
        toc) echo "--drive --help" ;;
        grab) echo "--drive --tracks --offset --secure --no-accuraterip -o --help" ;;
        lookup) echo "--drive --release --save --help" ;;
        rip)
            echo "--drive --tracks --offset --secure -o --jobs $_quillon_encoding_options
                --artist --album --year --comment --genre --cover --lookup --release --no-accuraterip --help"
            ;;
    esac
}

# The bitrates of a layer, in kbit/s.
_quillon_bitrates()
{
    case $1 in
        1) echo 32 64 96 128 160 192 224 256 288 320 352 384 416 448 ;;
        2) echo 32 48 56 64 80 96 112 128 160 192 224 256 320 384 ;;
        3) echo 32 40 48 56 64 80 96 112 128 160 192 224 256 320 ;;
    esac
}

# The layer the line gives, else the stored default one.
_quillon_layer()
{
    local program=$1 i layer=
    for ((i = 2; i < cword; i++)); do
        case ${words[i]} in
            --layer) layer=${words[i + 1]-} ;;
            --layer=*) layer=${words[i]#--layer=} ;;
        esac
    done
    if [[ -z $layer ]]; then
        layer=$("$program" defaults 2>/dev/null | sed -n 's/^Layer \([0-9]*\),.*/\1/p')
    fi
    echo "${layer:-3}"
}

# The numbers of the drives quillon finds, else every drive number it takes.
_quillon_drives()
{
    local found
    found=$(timeout 5 "$1" drives 2>/dev/null | awk '$1 ~ /^[0-9]+$/ { print $1 }')
    echo "${found:-0 1 2 3 4 5 6}"
}

# The audio tracks of the disc in the drive the line names (else the default drive).
_quillon_tracks()
{
    local program=$1 i drive=()
    for ((i = 2; i < cword; i++)); do
        case ${words[i]} in
            --drive) drive=(--drive "${words[i + 1]-}") ;;
            --drive=*) drive=("${words[i]}") ;;
        esac
    done
    # Names may hold blanks: the number is the fifth field from the end of a row.
    timeout 5 "$program" toc "${drive[@]}" 2>/dev/null | awk '$NF == "Audio" { print $(NF - 4) }'
}

# Completes the value of option $prev; false when $prev takes no value.
_quillon_value()
{
    local program=$1
    case $prev in
        -o) _filedir -d ;;
        --layer) COMPREPLY=($(compgen -W '1 2 3' -- "$cur")) ;;
        --bitrate) COMPREPLY=($(compgen -W "$(_quillon_bitrates "$(_quillon_layer "$program")")" -- "$cur")) ;;
        --mode) COMPREPLY=($(compgen -W 'mono stereo joint dual' -- "$cur")) ;;
        --emphasis) COMPREPLY=($(compgen -W 'none 50/15 ccitt' -- "$cur")) ;;
        --drive) COMPREPLY=($(compgen -W "$(_quillon_drives "$program")" -- "$cur")) ;;
        --jobs) COMPREPLY=($(compgen -W "$(seq 1 "$(nproc 2>/dev/null || echo 1)")" -- "$cur")) ;;
        --cover) _filedir '@(jpg|jpeg|png)' ;;
        --tracks)
            # "1,3-5": the number after the last comma or dash.
            local last=${cur##*[,-]}
            COMPREPLY=($(compgen -P "${cur%"$last"}" -W "$(_quillon_tracks "$program")" -- "$last"))
            ;;
        --artist | --album | --year | --comment | --genre | --release | --offset) ;;
        *) return 1 ;;
    esac
    return 0
}

# The files a subcommand converts, or the desktop program opens.
_quillon_files()
{
    case $1 in
        # The names of the audio files libsndfile reads (audio/AudioFileNames.cpp).
        encode) _filedir '@(wav|wave|flac|ogg|oga|opus|aif|aiff|aifc|w64|rf64|caf|au|snd|avr|htk|iff|mat|mpc|paf|pvf|sd2|sds|sf|voc|wve|xi)' ;;
        decode) _filedir '@(mp1|mp2|mp3|mpa)' ;;
        '') _filedir '@(wav|wave|flac|ogg|oga|opus|aif|aiff|aifc|w64|rf64|caf|au|snd|avr|htk|iff|mat|mpc|paf|pvf|sd2|sds|sf|voc|wve|xi|mp1|mp2|mp3|mpa)' ;;
    esac
}

_quillon()
{
    local cur prev words cword split
    _init_completion -s || return
    # The program as typed (a path too), so that its own defaults and drives are asked.
    local program=${words[0]/#\~/$HOME}
    local subcommands='encode decode defaults drives toc grab lookup rip help'

    if ((cword == 1)); then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--help -h --version' -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$subcommands" -- "$cur"))
            _quillon_files ''
        fi
        return
    fi

    local subcommand=${words[1]} i saving= ended=
    case " $subcommands " in
        *" $subcommand "*) ;;
        *)
            # The desktop program's files.
            _quillon_files ''
            return
            ;;
    esac
    if [[ $subcommand == help ]]; then
        ((cword == 2)) && COMPREPLY=($(compgen -W "$subcommands" -- "$cur"))
        return
    fi
    for ((i = 2; i < cword; i++)); do
        [[ ${words[i]} == --save ]] && saving=1
        [[ ${words[i]} == -- ]] && ended=1
    done

    if [[ -z $ended ]] && _quillon_value "$program"; then
        return
    fi
    $split && return

    if [[ -z $ended && $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_quillon_options "$subcommand" "$saving")" -- "$cur"))
        return
    fi
    _quillon_files "$subcommand"
} &&
    complete -F _quillon quillon
