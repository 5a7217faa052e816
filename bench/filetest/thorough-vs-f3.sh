#!/usr/bin/env bash
# The thorough file test beside f3write + f3read on one stick at USB 2.0 speed (a FUSE stick
# whose one channel writes 20 MB/s and reads 40 MB/s, behind a loop device, ext4 on it): the
# whole time of each, side by side in one run, and their ratio. Root, FUSE and f3 needed.
#   bench/filetest/thorough-vs-f3.sh [BUILD_DIR] [SIZE]      e.g. build/linux 1Gi
set -euo pipefail
build=${1:-build/linux}
size=${2:-1Gi}
write_speed=${WRITE_SPEED:-20M}
read_speed=${READ_SPEED:-40M}
cli="$build/src/frontends/cli/sizewarden"
fake="$build/tests/e2e/sw_fakestick"
for tool in f3write f3read mkfs.ext4 losetup; do
  command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install f3 e2fsprogs util-linux)" >&2; exit 2; }
done

dir=$(mktemp -d /tmp/sw-bench-f3-XXXXXX)
mkdir "$dir/fuse" "$dir/mnt"
loop="" fuse_pid=""
finish() {
  mountpoint -q "$dir/mnt" && umount "$dir/mnt"
  [ -n "$loop" ] && losetup -d "$loop"
  [ -n "$fuse_pid" ] && { fusermount3 -u "$dir/fuse" 2>/dev/null || true; kill "$fuse_pid" 2>/dev/null || true; wait "$fuse_pid" 2>/dev/null || true; }
  rm -rf "$dir"
}
trap finish EXIT

"$fake" "$dir/fuse" -f -o max_threads=8 --backing-dir="$dir" --size="$size" \
  --write-speed="$write_speed" --read-speed="$read_speed" >"$dir/fake.log" 2>&1 &
fuse_pid=$!
for _ in $(seq 100); do [ -e "$dir/fuse/stick" ] && break; sleep 0.1; done
loop=$(losetup --find --show --direct-io=on "$dir/fuse/stick")
mkfs.ext4 -q -F "$loop"
mount "$loop" "$dir/mnt"

seconds() { date +%s.%N; }
t0=$(seconds)
f3write "$dir/mnt" >"$dir/f3write.log" 2>&1
f3read "$dir/mnt" >"$dir/f3read.log" 2>&1
t1=$(seconds)
rm -f "$dir/mnt"/*.h2w
sync
t2=$(seconds)
"$cli" files "$loop" --thorough --yes --all >"$dir/ours.log" 2>&1 || true
t3=$(seconds)

f3=$(echo "$t1 - $t0" | bc -l)
ours=$(echo "$t3 - $t2" | bc -l)
printf 'Stick: %s, ext4, writes %s B/s, reads %s B/s\n' "$size" "$write_speed" "$read_speed"
printf 'f3write + f3read: %7.1f s   (%s)\n' "$f3" "$(grep -m1 'Data OK' "$dir/f3read.log" | sed 's/^ *//')"
printf 'thorough test:    %7.1f s   (%s)\n' "$ours" "$(grep -m1 '^Good: ' "$dir/ours.log")"
printf 'ratio (ours / F3): %.3f   (target: at most 1.05)\n' "$(echo "$ours / $f3" | bc -l)"
