#!/usr/bin/env bash
# The farm against a real scheduler: a one-node Slurm cluster (munged, slurmctld, slurmd, all state in a folder
# of the build) runs "pulsewarper farm slurm" on a 60-frame job with a video and a contact sheet, in chunks of 10;
# its frames, video and sheet must equal a one-process render's byte for byte. A second run has one task killed
# mid-way and requeued by the scheduler, as preemption does: the result is the same. The daemons stop at the end,
# whatever happens.
#   slurm_farm_test.sh PULSEWARPER PLUGIN WORK_DIR
set -euo pipefail
pw="$1" plugin="$2" work="$3"
rm -rf "$work"
mkdir -p "$work/cluster/state" "$work/cluster/spool"
cluster="$work/cluster"
export SLURM_CONF="$cluster/slurm.conf"

fail() { echo "FAILED: $*" >&2; exit 1; }

stop_cluster() {
  scontrol shutdown >/dev/null 2>&1 || true
  for _ in $(seq 1 50); do pgrep -f "$cluster/slurm.conf" >/dev/null || break; sleep 0.1; done
  pkill -9 -f "$cluster/slurm.conf" 2>/dev/null || true
  [ -f "$cluster/munged.pid" ] && kill "$(cat "$cluster/munged.pid")" 2>/dev/null || true
}
trap stop_cluster EXIT

# Ports nobody listens on, so that a cluster of the machine's own is left alone.
free_port() {
  local p
  for _ in $(seq 1 100); do
    p=$((20000 + RANDOM % 20000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then echo "$p"; return; fi
  done
  fail "no free port"
}

start_cluster() {
  local host ctl node
  host="$(hostname -s)"
  ctl="$(free_port)"
  node="$(free_port)"
  dd if=/dev/urandom of="$cluster/munge.key" bs=1024 count=1 status=none
  chmod 600 "$cluster/munge.key"
  munged --key-file="$cluster/munge.key" --socket="$cluster/munge.socket" --pid-file="$cluster/munged.pid" \
    --log-file="$cluster/munged.log" --seed-file="$cluster/munge.seed" --force ||
    fail "munged did not start: $(tail -n 3 "$cluster/munged.log" 2>/dev/null)"
  cat > "$SLURM_CONF" <<CONF
ClusterName=pwtest
SlurmctldHost=$host
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$ctl
SlurmdPort=$node
AuthType=auth/munge
AuthInfo=socket=$cluster/munge.socket
CredType=cred/munge
StateSaveLocation=$cluster/state
SlurmdSpoolDir=$cluster/spool
SlurmctldPidFile=$cluster/slurmctld.pid
SlurmdPidFile=$cluster/slurmd.pid
SlurmctldLogFile=$cluster/slurmctld.log
SlurmdLogFile=$cluster/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SchedulerType=sched/backfill
SchedulerParameters=sched_interval=2,bf_interval=2
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
MpiDefault=none
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
MinJobAge=600
NodeName=$host CPUs=$(nproc) State=UNKNOWN
PartitionName=pwtest Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
  slurmctld -f "$SLURM_CONF" || fail "slurmctld did not start: $(tail -n 5 "$cluster/slurmctld.log" 2>/dev/null)"
  slurmd -f "$SLURM_CONF" || fail "slurmd did not start: $(tail -n 5 "$cluster/slurmd.log" 2>/dev/null)"
  for _ in $(seq 1 120); do
    if sinfo -h -o %t 2>/dev/null | grep -qx idle; then return; fi
    sleep 0.5
  done
  fail "the cluster did not come up within 60 s: $(sinfo 2>&1 | tail -n 2); $(tail -n 5 "$cluster/slurmctld.log")"
}

# JobState of a job (an array task as ID_TASK).
state() { scontrol show job "$1" 2>/dev/null | sed -n 's/.*JobState=\([A-Z_]*\).*/\1/p' | head -n 1; }

# Waits until no job of the list is pending or running, then requires each to have completed.
wait_done() {
  local deadline=$((SECONDS + 900)) id s busy
  while :; do
    busy=0
    for id in "$@"; do
      s="$(scontrol show job "$id" 2>/dev/null | sed -n 's/.*JobState=\([A-Z_]*\).*/\1/p' | sort -u | tr '\n' ' ')"
      case "$s" in *PENDING*|*RUNNING*|*CONFIGURING*|*COMPLETING*|*REQUEUE*) busy=1 ;; esac
    done
    [ "$busy" = 0 ] && break
    [ "$SECONDS" -lt "$deadline" ] || fail "the farm jobs did not finish within 15 minutes: $(squeue 2>&1)"
    sleep 1
  done
  for id in "$@"; do
    s="$(scontrol show job "$id" | sed -n 's/.*JobState=\([A-Z_]*\).*/\1/p' | sort -u | tr '\n' ' ')"
    [ "$s" = "COMPLETED " ] || { tail -n 20 "$job_dir"/job.farm/logs/* >&2 || true; fail "job $id ended $s"; }
  done
}

job_dir="$work/job"
mkdir -p "$job_dir"
cat > "$job_dir/job.json" <<'JOB'
{
  "comment": "60 frames of the test pattern with a look that uses every kind of draw, Time included",
  "input": {"pattern": "960x540", "length": 60},
  "params": {"BPM": 240, "Slice Manual/Auto": "Auto", "RGB Separation Manual/Auto": "Auto",
             "Noise Manual/Auto": "Auto", "Time Manual/Auto": "Auto", "Glow Manual/Auto": "Auto"},
  "output": {"path": "out/clip.mp4"},
  "contact_sheet": {"path": "out/sheet.png", "frames": 6}
}
JOB

# One machine, one process: the reference.
t0=$SECONDS
"$pw" render "$job_dir/job.json" --plugin "$plugin" -q -o "$work/local/clip.mp4" --contact-sheet "$work/local/sheet.png"
"$pw" render "$job_dir/job.json" --plugin "$plugin" -q -o "$work/local/frames/frame.%06d.png" --no-contact-sheet \
  --start-number 0
local_seconds=$((SECONDS - t0))

start_cluster

check_result() {
  local f
  for f in "$work"/local/frames/frame.*.png; do
    cmp -s "$f" "$job_dir/job.farm/frames/$(basename "$f")" || fail "$(basename "$f") differs from the local render"
  done
  [ "$(ls "$job_dir"/job.farm/frames/frame.*.png | wc -l)" = 60 ] || fail "the farm did not write 60 frames"
  cmp -s "$work/local/clip.mp4" "$job_dir/out/clip.mp4" || fail "the joined video differs from the local one"
  cmp -s "$work/local/sheet.png" "$job_dir/out/sheet.png" || fail "the contact sheet differs from the local one"
  ffmpeg -v error -nostdin -y -i "$work/local/clip.mp4" -f framemd5 "$work/local.md5"
  ffmpeg -v error -nostdin -y -i "$job_dir/out/clip.mp4" -f framemd5 "$work/farm.md5"
  cmp -s "$work/local.md5" "$work/farm.md5" || fail "the joined video decodes to other frames"
  [ "$(grep -vc '^#' "$work/farm.md5")" = 60 ] || fail "the joined video does not hold 60 frames"
}

submit() {
  local text
  text="$("$pw" farm slurm "$job_dir/job.json" --plugin "$plugin" --chunk 10 --submit)" || fail "submission failed"
  render_job="$(echo "$text" | sed -n 's/^render job: \([0-9]*\).*/\1/p')"
  join_job="$(echo "$text" | sed -n 's/^join job: \([0-9]*\).*/\1/p')"
  [ -n "$render_job" ] && [ -n "$join_job" ] || fail "no job ids in: $text"
}

# A plain run.
t0=$SECONDS
submit
wait_done "$render_job" "$join_job"
farm_seconds=$((SECONDS - t0))
check_result
echo "farm: 6 tasks and the join in ${farm_seconds} s; one local process: ${local_seconds} s"

# One task killed mid-way and requeued, as a preempted task is: it finishes what its first run did not. The task
# is held still (SIGSTOP) once it has written a frame, so that the scheduler's kill finds it mid-way for certain.
rm -rf "$job_dir/job.farm" "$job_dir/out"
submit
victim="${render_job}_2"
deadline=$((SECONDS + 300))
pid=""
until [ -n "$pid" ] && [ -e "$job_dir/job.farm/frames/frame.000020.png" ]; do
  [ "$SECONDS" -lt "$deadline" ] || fail "task 2 never ran"
  pid="$(pgrep -f -- "--frames 20-29" | head -n 1 || true)"
  sleep 0.01
done
kill -STOP "$pid"
done_before=$(ls "$job_dir"/job.farm/frames/frame.00002[0-9].png | wc -l)
[ "$done_before" -lt 10 ] || fail "task 2 finished before it could be stopped"
scontrol requeue "$victim" || fail "scontrol requeue $victim failed"
kill -CONT "$pid" 2>/dev/null || true
# A requeued job waits two minutes before it may start again; a preempting scheduler lets it go at once.
for _ in $(seq 1 100); do
  [ "$(state "$victim")" = PENDING ] && scontrol update JobId="$victim" StartTime=now >/dev/null 2>&1 && break
  sleep 0.1
done
wait_done "$render_job" "$join_job"
check_result
log="$job_dir/job.farm/logs/render-${render_job}_2.log"
grep -q 'resume: kept' "$log" || fail "task 2 shows no resumed second run: $(cat "$log")"
echo "farm with task 2 killed after $done_before of its 10 frames and requeued: the same frames, video and sheet"
grep 'resume:' "$log"
