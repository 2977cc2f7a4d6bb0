#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every benchmark and rewrites BENCHMARKS.md with the figures, the
# machine they were measured on and the targets beside them.
#
#   bench/run-all.sh                  every benchmark (about ten minutes)
#   bench/run-all.sh --fuzz SECONDS   first runs each fuzz harness that long,
#                                     two at a time (scripts/fuzz.sh)
#
# Without --fuzz the fuzzing section reports the last runs' logs in
# build-fuzz/, if there are any. KT90_BENCH_QUICK=1 shortens every run, to
# check this script; its figures are not worth keeping.
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=""
if [ "${1:-}" = "--fuzz" ]; then
  fuzz_seconds="${2:?--fuzz needs SECONDS}"
fi
if [ "${KT90_BENCH_QUICK:-}" = "1" ]; then
  link_rounds=50 watch_s=3 rss_s=3 rotctl_n=200 soak_n=300 responsive_s=5
else
  link_rounds=500 watch_s=60 rss_s=60 rotctl_n=2000 soak_n=10000 responsive_s=60
fi

scripts/build.sh >/dev/null
if [ -n "$fuzz_seconds" ]; then
  scripts/fuzz.sh "$fuzz_seconds" 2 >/dev/null || true # the report says which crashed
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
step() { echo "bench: $*" >&2; }

step "status round trips"
build/bench/bench_link "$link_rounds" >"$out/link"
step "kt90ctl watch, ${watch_s} s"
bench/watch_cpu.sh "$watch_s" | tail -n 1 >"$out/watch"
step "dot-matrix paints"
build/bench/bench_lcd >"$out/lcd"
step "start-up"
bench/startup.sh >"$out/startup"
step "panel memory, ${rss_s} s"
bench/panel_rss.sh "$rss_s" | tail -n 1 >"$out/rss"
step "hamlib round trips, five runs free and five on one core"
# One line per run: the medians of the panel, rotctld and the floor.
medians_of_run() { "$@" | awk -F'|' 'NR > 2 && NF == 0 {exit} NR > 2 {gsub(/ /, "", $3); printf "%s ", $3} END {print ""}'; }
for i in 1 2 3 4 5; do
  medians_of_run build/bench/bench_rotctl "$rotctl_n" >>"$out/rotctl-free"
  medians_of_run taskset -c 0 build/bench/bench_rotctl "$rotctl_n" >>"$out/rotctl-pinned"
done
step "hamlib P to the wire"
build/bench/bench_rotctl "$rotctl_n" | sed -n '/P to the wire/,$p' >"$out/rotctl-p"
step "responsiveness, ${responsive_s} s per controller"
build/bench/responsiveness "$responsive_s" >"$out/responsive"
step "fault soak, $soak_n exchanges per link"
build/bench/soak "$soak_n" >"$out/soak"

# --- figures for the summary -------------------------------------------------
row() { grep -F "| $1" "$2" | head -1; }
field() { awk -F'|' -v n="$1" '{gsub(/^ +| +$/, "", $n); print $n}'; }
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
# Responsiveness: a case's longest busy stretch, timer stall, and key delays.
busy() { grep -F "| $1" "$out/responsive" | head -1 | field 3; }
stall() { grep -F "| $1" "$out/responsive" | head -1 | field 4; }
key_max() { grep -F "| $1" "$out/responsive" | head -1 | field 9; }
key_past() { grep -F "| $1" "$out/responsive" | head -1 | field 10; }
worst() { printf '%s\n' "$("$1" healthy)" "$("$1" slow)" "$("$1" stalled)" | sort -n | tail -1; }
p_idle=$(grep -F "| link idle" "$out/rotctl-p" | field 3)
p_polled=$(grep -F "| link polling" "$out/rotctl-p" | field 3)

over_fast=$(row "pty at 460800" "$out/link" | field 6)
over_slow=$(row "pty at 9600" "$out/link" | field 6)
tcp_median=$(row "loopback TCP" "$out/link" | field 4)
watch_cpu=$(sed -n 's/.*: \([0-9.]*\) % of one core.*/\1/p' "$out/watch")
lcd_line=$(sed -n 's/^one 20-character line: median \([0-9.]*\) us/\1/p' "$out/lcd")
start_whole=$(sed -n 's/^process start .*: median \([0-9]*\) ms/\1/p' "$out/startup")
panel_rss=$(sed -n 's/.*RSS \([0-9]*\) KiB.*/\1/p' "$out/rss")
ours_free=$(awk '{print $1}' "$out/rotctl-free" | median)
theirs_free=$(awk '{print $2}' "$out/rotctl-free" | median)
ours_pinned=$(awk '{print $1}' "$out/rotctl-pinned" | median)
theirs_pinned=$(awk '{print $2}' "$out/rotctl-pinned" | median)
floor_pinned=$(awk '{print $3}' "$out/rotctl-pinned" | median)

met() { awk -v v="$1" -v t="$2" -v op="$3" 'BEGIN {
  ok = (op == "<" ? v + 0 < t + 0 : op == "<=" ? v + 0 <= t + 0 : v + 0 >= t + 0); print (v == "" ? "not measured" : ok ? "met" : "**not met**") }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a + 0 > 0 && b != "") printf "%.2f", b / a; else print "" }'; }
soak_col() { awk -F'|' -v link="$1" -v n="$2" '$2 ~ link {gsub(/^ +| +$/, "", $n); print $n}' "$out/soak"; }
rss_growth() {
  soak_col "$1" 14 | awk '{gsub(/[^0-9 >-]/, ""); split($0, a, "->"); print a[2] - a[1]}'
}

ratio_free=$(ratio "$ours_free" "$theirs_free")
ratio_pinned=$(ratio "$ours_pinned" "$theirs_pinned")

# --- the fuzz runs ----------------------------------------------------------
fuzz_rows=""
for target in replybuffer trackerline configfile inifile rotctl; do
  log="build-fuzz/fuzz-$target.log"
  [ -f "$log" ] || continue
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  secs=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log")
  cov=$({ grep -E '(DONE|NEW|REDUCE|pulse) +cov:' "$log" || true; } | sed -n 's/.*cov: \([0-9]*\).*/\1/p' | tail -1)
  crashes=$(grep -c -E '^==[0-9]+==ERROR|deadly signal' "$log" || true)
  [ -n "$secs" ] || [ "$crashes" -gt 0 ] || continue # still running
  fuzz_rows+="| fuzz_$target | ${secs:-?} s | ${runs:-?} | ${cov:-?} | $crashes |"$'\n'
done
fuzz_crashes=$(printf '%s' "$fuzz_rows" | awk -F'|' 'NF > 5 {s += $6} END {print s + 0}')

machine() {
  echo "- CPU: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores seen"
  echo "- memory: $(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
  echo "- system: Debian $(cat /etc/debian_version), kernel $(uname -r)"
  echo "- build: $(g++ --version | head -1), Qt $(pkg-config --modversion Qt6Core), RelWithDebInfo"
  echo "- hamlib: $(rotctld --version 2>/dev/null | head -1 || echo 'not installed')"
  echo "- measured: $(date -u '+%Y-%m-%d %H:%M UTC')"
}

# --- the report ---------------------------------------------------------------
{
  cat <<EOF
# Benchmarks

Run on demand, never as part of the test suite. Everything below was written by one command,

\`\`\`sh
bench/run-all.sh                 # every benchmark; add --fuzz SECONDS to run the fuzz harnesses first
\`\`\`

on this machine:

$(machine)

## Summary

| what | measured | target | |
|---|---|---|---|
| status round trip over a pty at 460 800 Bd, median above the wire time | ${over_fast} µs | ≤ +2 000 µs | $(met "${over_fast#+}" 2000 "<") |
| status round trip over a pty at 9 600 Bd, median above the wire time | ${over_slow} µs | ≤ +2 000 µs | $(met "${over_slow#+}" 2000 "<") |
| status round trip over loopback TCP, median | ${tcp_median} µs | < 500 µs | $(met "$tcp_median" 500 "<") |
| \`kt90ctl watch --interval 250\`, CPU | ${watch_cpu} % of a core | < 0.5 % | $(met "$watch_cpu" 0.5 "<") |
| one 20-character dot-matrix line, paint | ${lcd_line} µs | < 200 µs | $(met "$lcd_line" 200 "<") |
| panel start-up, process launch to first expose and exit | ${start_whole} ms | < 300 ms | $(met "$start_whole" 300 "<") |
| panel resident memory after ${rss_s} s of polling | $((panel_rss / 1024)) MiB | < 60 MB | $(met "$panel_rss" 58593 "<") |
| hamlib \`p\` round trip, rotctld's median ÷ the panel's, client and servers on one core | ${ratio_pinned} (${ours_pinned} µs against ${theirs_pinned} µs; the floor ${floor_pinned} µs) | ≥ 2 | $(met "$ratio_pinned" 2 ">=") |
| the same, left free to use both cores (scatters from run to run; not a check) | ${ratio_free} (${ours_free} µs against ${theirs_free} µs) | | |
| fault soak, good replies not decoded (TCP, pty) | $(soak_col TCP 6), $(soak_col pty 6) | 0 | $(met "$(($(soak_col TCP 6) + $(soak_col pty 6)))" 1 "<") |
| fault soak, refused upload steps taken as accepted (TCP, pty) | $(soak_col TCP 11), $(soak_col pty 11) | 0 | $(met "$(($(soak_col TCP 11) + $(soak_col pty 11)))" 1 "<") |
| fault soak, resident memory growth after the first tenth (TCP, pty) | $(rss_growth TCP), $(rss_growth pty) KiB | flat (< 1 MiB) | $(met "$(( $(rss_growth TCP) > $(rss_growth pty) ? $(rss_growth TCP) : $(rss_growth pty) ))" 1024 "<") |
| event thread kept from its events by the program, longest, TCP controller healthy / 200 ms late / stalled | $(busy healthy) / $(busy slow) / $(busy stalled) ms (the timer alone $(busy none) ms) | ≤ 20 ms | $(met "$(worst busy)" 20 "<=") |
| the same seen by a 5 ms timer, scheduler included (not a check: the machine's floor is $(stall none) ms) | $(stall healthy) / $(stall slow) / $(stall stalled) ms | | |
| STOP or jog release on the wire after the link fell free for it, longest, healthy / 200 ms late / stalled | $(key_past healthy) / $(key_past slow) / $(key_past stalled) ms (due to wire $(key_max healthy) / $(key_max slow) / $(key_max stalled) ms) | ≤ 5 ms | $(met "$(worst key_past)" 5 "<=") |
| hamlib \`P\` to its frame on the wire, median, link idle / polling every 250 ms | $(awk -v v="$p_idle" 'BEGIN {printf "%.2f", v / 1000}') / $(awk -v v="$p_polled" 'BEGIN {printf "%.2f", v / 1000}') ms | ≤ 1 ms idle | $(met "$p_idle" 1000 "<=") |
| fuzzing, crashes | $([ -n "$fuzz_rows" ] && echo "$fuzz_crashes" || echo "not run") | 0 | $([ -n "$fuzz_rows" ] && met "$fuzz_crashes" 1 "<" || echo "not run") |

## Status round trip through the device link

\`build/bench/bench_link ${link_rounds}\`: \`SendCommand\` with the status command against the
simulator in the same process, timed from the call to its return (reply decoded, angle line
written). Over the pty the simulator emulates the line: it hands each reply over only when the 13
command bytes and the 12 reply bytes would have crossed a real line at the rate the port was opened
with, so the wire time (25 bytes × 10 bits / rate) is part of every figure and "over wire" is what
the link adds. ${link_rounds} exchanges at 460 800 Bd, a fifth of that at 9 600 Bd, four times that
over TCP, after 10 warm-up exchanges each.

$(cat "$out/link")

Targets: serial ≤ wire time + 2 ms median, TCP < 0.5 ms median. The serial wait is a nested event
loop woken by the reply itself, so it adds no polling step.

## Idle CPU of a watching client

\`bench/watch_cpu.sh ${watch_s}\`: \`kt90ctl --tcp … watch --interval 250\` against \`kt90sim\` on
loopback, user + system time of the client from \`/proc/PID/stat\`.

    $(cat "$out/watch")

Target: < 0.5 % of one core.

## Painting the dot-matrix lines

\`build/bench/bench_lcd\`: \`TLCDLine::render()\` (layout pass and the whole paint into the
off-screen image) at the console geometry (364 × 29, cells 2 + 1, character spacing on), median of
2 000 paints with a changed text each time; the four lines are the console's four readouts.

    $(sed 's/^/    /; 1s/^    //' "$out/lcd")

Target: < 0.2 ms per line. Square cells are written straight into the image's pixels (a first
version that filled every cell through \`QPainter\` needed 232 µs per line); a painter is opened
only for round cells.

## Panel start-up and memory

\`bench/startup.sh\`: ten runs offscreen with a settings file that names no transport, medians:
from the entry of \`main()\` through the start-up sequence to the window's first expose, as the
program measures it (\`build/bench/bench_startup\`), and the whole process from the shell's launch
to its exit right after that expose. The connection attempt runs just after the first show.

    $(sed 's/^/    /; 1s/^    //' "$out/startup")

Target: < 300 ms.

\`bench/panel_rss.sh ${rss_s}\`: the real main window (\`kt90shot\`, offscreen) connected to
\`kt90sim\` over loopback TCP, polling at the default 250 ms with the output readouts shown.

    $(cat "$out/rss")

Target: < 60 MB.

## hamlib \`p\` round trip

\`build/bench/bench_rotctl ${rotctl_n}\`, five times, and five times more under \`taskset -c 0\`:
${rotctl_n} \`p\` requests (get position) over loopback after 20 warm-up requests, one \`send\` and
one \`recv\` per request as Gpredict does, against the panel's own rotator server (its link
connected to \`kt90sim\`) and, in the same run, against \`rotctld -m 1\` (Hamlib's dummy rotator).
Medians in µs, one line per run:

| run | panel, free | rotctld, free | floor, free | panel, one core | rotctld, one core | floor, one core |
|---|---|---|---|---|---|---|
$(paste -d' ' "$out/rotctl-free" "$out/rotctl-pinned" | awk '{printf "| %d | %s | %s | %s | %s | %s | %s |\n", NR, $1, $2, $3, $4, $5, $6}')

Goal: the panel at least 2× faster than rotctld. The floor is the least any server can do: a
thread of the benchmark that blocks in \`read\` and answers every request with one \`write\` of a
fixed text. rotctld works the same way (a thread per client, \`read\`, one \`write\`) and adds its
command parsing and the dummy rotator. The panel answers on its event thread, which is woken
through \`poll\` first and reads through \`QTcpSocket\`. Left free, the threads land on different
cores and much of a round trip is the wake-up of an idle core, so those figures scatter from run to
run; on one core the wake-ups are plain context switches and the figures are steady. The round
trip holds the client's own send and receive and the switches to the server and back, which no
server can save: the goal holds only if the panel's median is below half of rotctld's, and where
the floor itself is above that, no server can meet it. The panel's answer is written in one piece,
so Gpredict's single \`recv\` always gets all of it.

The same program then measures the time from a client's \`P 10 20\` to its set-position frame
reaching the controller (a fake of the benchmark's own in a thread of its own, so that its clock
marks the arrival), a request every 37 ms, with the link idle and while it polls every 250 ms:

$(cat "$out/rotctl-p")

Targets: a median of at most 1 ms idle, and within one exchange while polling (an exchange with
this controller takes a few tenths of a millisecond, so a \`P\` that meets a poll waits that long).

## Responsiveness on a healthy, slow and stalled link

\`build/bench/responsiveness ${responsive_s}\`: the device link polls a TCP controller every 250 ms
(time-out 500 ms) for ${responsive_s} s per case; the controller is a fake in a thread of its own
that answers at once, 200 ms late, or never, and notes when each frame arrives and each reply
leaves. Two measures of the event thread:
- "busy": every stretch from the first event the thread handles after waiting to its next wait
  (Qt's \`aboutToBlock\`), less the time the kernel kept it ready but off the processor
  (\`/proc/thread-self/schedstat\`): how long the program itself keeps the thread from its events.
  A blocking read shows here whole; a processor busy elsewhere does not.
- "stall": a 5 ms timer's lateness (the longest, the 99.9th percentile, and the share of time it
  ran late), which holds the scheduler's delays as well.

A STOP every 4 s and a jog press and its release 300 ms later in between stand for keys: the time
from when each was due to its arrival at the controller, and how long after the link fell free for
it (the end of the exchange before it: its reply, or its deadline of 500 ms plus the 200 ms a
12-byte reply needs at 600 Bd) it arrived. The first row runs the timer alone.

$(cat "$out/responsive")

Targets: no stall longer than 20 ms; a STOP or jog release on the wire within the outstanding
exchange's remaining time plus 5 ms ("past the exchange").

Before the TCP exchange waited in the event loop (the link at commit 4e8f793 with this benchmark
file, its includes without their folder and the deadline its 500 ms read time-out:
\`git worktree add /tmp/old 4e8f793\`), measured on 2026-12-11 on this machine:

| controller | longest busy ms | longest stall ms | stall p99.9 ms | blocked % | key to wire median ms | p99 ms | max ms | past the exchange max ms | keys lost |
|---|---|---|---|---|---|---|---|---|---|
| none (the machine's floor) | 2.8 | 55.4 | 16.1 | 2.5 | -1.0 | -1.0 | -1.0 | 0.0 | 0 |
| healthy | 22.0 | 26.9 | 10.2 | 2.4 | 0.1 | 21.2 | 21.2 | 21.2 | 0 |
| slow (200 ms) | 408.0 | 408.5 | 401.5 | 74.9 | 296.8 | 367.3 | 367.3 | 1.7 | 0 |
| stalled | 1003.5 | 998.9 | 997.5 | 87.4 | 393.2 | 399.7 | 399.7 | 7.4 | 0 |

The timer's stall alone cannot tell the program from the machine: on this virtual machine a bare
5 ms timer is now and then 30 to 50 ms late (the floor row). The busy measure can: the blocking read
held the thread for one reply time (400 ms slow, 1000 ms stalled), the nested wait for a few
milliseconds at most. A STOP on a stalled link now waits for the exchange in progress to reach its
deadline (700 ms) where the blocking read let it out after the 500 ms read time-out.

## Fault soak

\`build/bench/soak ${soak_n}\`: ${soak_n} exchanges per link against \`kt90sim\` (real clock), the
reply time-out at 60 ms, a fault picked at random for each exchange: 10 % garbage before the reply,
15 % the reply in three pieces 2 ms apart, 10 % the reply 10 ms late, 5 % 100 ms late (after the
time-out), 5 % no reply, 5 % an upload header that the controller refuses, 50 % none. All but the
refused steps are status exchanges.

$(cat "$out/soak")

- "Good replies" are those that reach the link within the time-out with no earlier reply still on
  its way: all but the late and the missing ones, and over TCP also those with garbage before them
  (a read of exactly 12 bytes takes the garbage with it, and TCP itself never adds any). A good
  reply is decoded when its exchange ends with the angle the simulator held for it.
- The simulator, like the controller, answers in order, so a reply that comes after its time-out
  holds back the ones behind it. Such a "reply behind a late one" may be preceded by the late one,
  which the protocol cannot tell from it (it carries no sequence number); over the pty the late
  reply is then decoded first and this one after it, over TCP the late one is read as this
  exchange's reply and this one is dropped as stale before the next command.
- A refused upload step must never pass for an accepted one, even when a late position reply
  arrives in its place.
- No exchange hung: every one ended. The time-out bounds each wait for a byte (a TCP read) or for
  the reply (serial), not an exchange as a whole, so an exchange whose reply trickles in may take
  longer than the time-out.
- Memory is taken after the first tenth of the exchanges (Qt's and the C library's heaps have
  grown to their working size by then) and at the end; the suite's ASan run reports no leak.

## Fuzzing

EOF
  if [ -n "$fuzz_rows" ]; then
    cat <<EOF
\`scripts/fuzz.sh SECONDS 2\` (what \`--fuzz SECONDS\` runs): the harnesses built with clang-14, ASan,
UBSan and libFuzzer, two at a time, each from its seed corpus in \`fuzz/corpus\`. The CI run gives
each 60 s. The last of these runs ended $(date -u -r "$(ls -t build-fuzz/fuzz-*.log | head -1)" '+%Y-%m-%d %H:%M UTC').

| harness | ran | executions | coverage (edges) | crashes |
|---|---|---|---|---|
${fuzz_rows}
What each feeds: \`fuzz_replybuffer\` arbitrary bytes in arbitrary pieces with any awaited
length; \`fuzz_trackerline\` any tracker line, then its command and page texts;
\`fuzz_configfile\` any file content, then every panel's value and caption; \`fuzz_inifile\` any
INI text, read, written back unchanged and one key set; \`fuzz_rotctl\` any hamlib command line
and its answers.
EOF
  else
    echo "Not run: \`bench/run-all.sh --fuzz SECONDS\` runs the harnesses first."
  fi
} >BENCHMARKS.md
step "BENCHMARKS.md written"
