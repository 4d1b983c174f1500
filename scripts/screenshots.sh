#!/usr/bin/env bash
# Makes the README pictures from the real program on a fresh copy of the demo bank:
# docs/screenshots/{menu,practice,exam,outline,charts}.png at 1024x768, and with --small
# the same at 800x600 in docs/screenshots/800x600/.
# Run by hand after a build; needs xvfb-run, openbox, xdotool and ImageMagick's import.
# The program is driven by clicking, so the places below follow the screens' layouts:
# when a layout moves, take a picture of that screen and correct its row here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${TESVORA_BIN:-$root/build/bin}
bank=${TESVORA_DEMO_BANK:-$root/build/demo/ZT468913.db}
out=${TESVORA_SHOTS:-$root/docs/screenshots}

# One run at one size, inside its own X server (called through xvfb-run below).
if [[ ${1:-} == --inside ]]; then
    size=$2 dest=$3 work=$4
    shoot() { sleep "${2:-3}"; import -window root -depth 8 "$dest/$1.png"; }
    click() { xdotool mousemove "$1" "$2" click 1; sleep "${3:-2}"; }
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
    (cd "$work" && exec ./tesvora) >"$work/tesvora.log" 2>&1 &
    app=$!
    trap 'kill "$app" "$wm" 2>/dev/null || true' EXIT
    sleep 6
    # x y pairs, per size: chapter 基础知识, first section row, 练习新题, practice 关闭,
    # chooser 关闭, 模拟考试一, exam 关闭, 考试大纲, outline 退出, 统计图表, 习题分布, chart 关闭
    if [[ $size == 1024x768 ]]; then
        p=(140 216  150 272  145 651  931 655  923 651  569 270  933 655  140 585  911 661
           440 651  861 186  907 608)
    else
        p=(109 169  100 253   99 505  753 525  734 505  445 211  766 581  109 457  736 532
           344 509  687 153  728 503)
    fi
    shoot menu 1
    click "${p[0]}" "${p[1]}" 3
    click "${p[2]}" "${p[3]}" 1
    click "${p[4]}" "${p[5]}" 4
    shoot practice 1
    click "${p[6]}" "${p[7]}"
    click "${p[8]}" "${p[9]}"
    click "${p[10]}" "${p[11]}" 5
    shoot exam 1
    # Nothing answered: 关闭 drops the paper without a prompt.
    click "${p[12]}" "${p[13]}"
    click "${p[14]}" "${p[15]}" 5
    shoot outline 1
    click "${p[16]}" "${p[17]}"
    click "${p[18]}" "${p[19]}" 4
    click "${p[20]}" "${p[21]}" 3
    shoot charts 0
    click "${p[22]}" "${p[23]}" 1
    exit 0
fi

sizes=(1024x768)
[[ ${1:-} == --small ]] && sizes+=(800x600)
for tool in xvfb-run openbox xdotool import; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (apt install xvfb openbox xdotool imagemagick)" >&2; exit 1; }
done
[[ -x $bin/tesvora && -f $bank ]] || { echo "build first: no $bin/tesvora or $bank" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for size in "${sizes[@]}"; do
    # A fresh program folder each time: the candidate's own bank in build/bin stays untouched.
    work=$tmp/$size
    cp -r "$bin" "$work"
    rm -f "$work"/data/ZT468913.db*
    cp "$bank" "$work/data/ZT468913.db"
    dest=$out
    [[ $size == 1024x768 ]] || dest=$out/$size
    mkdir -p "$dest"
    xvfb-run -a -s "-screen 0 ${size}x24 -noreset" "$0" --inside "$size" "$dest" "$work"
    echo "$size: $(cd "$dest" && ls menu.png practice.png exam.png outline.png charts.png | tr '\n' ' ')"
done
