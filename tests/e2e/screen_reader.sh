#!/usr/bin/env bash
# What a screen reader reads: through AT-SPI, on a private session bus, the running program's
# eight edits carry the names of their labels (without the colon) and the count is "Entries";
# the list is named and its seven column headings are reachable.
source "$(dirname "$0")/lib.sh" "$@"
for tool in dbus-daemon /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || die "$tool is missing (apt-get install dbus-daemon at-spi2-core)"
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || die "pyatspi is missing (apt-get install python3-pyatspi)"

# A session bus of our own; the accessibility bus is started on it when first asked for.
bus_info="$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1)" ||
  die "no session bus"
export DBUS_SESSION_BUS_ADDRESS="$(sed -n 1p <<<"$bus_info")"
E2E_HELPER_PIDS+=("$(sed -n 2p <<<"$bus_info")")
# Screen readers switch the toolkit's accessibility on through the desktop's settings; with no
# desktop here the toolkit is told directly.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

start_app
read_out="$(timeout 60 /usr/bin/python3 "$E2E_DIR/read_accessible_tree.py" girthminder)" ||
  die "the accessibility tree could not be read"
sorted_names() { grep "^$1 " <<<"$read_out" | sort; }

expected_edits="$(printf 'text %s\n' Arm Chest Date Entries Leg Neck Waist Weight)"
[[ "$(sorted_names text)" == "$expected_edits" ]] ||
  die "the edits read as: $(sorted_names text | tr '\n' ';'), expected $(tr '\n' ';' <<<"$expected_edits")"
[[ "$(sorted_names table)" == "table Log" ]] || die "the list reads as: $(sorted_names table | tr '\n' ';')"
headings="$(grep '^heading ' <<<"$read_out" | cut -d' ' -f2- | tr '\n' ' ')"
[[ "$headings" == "Date Weight Chest Neck Arm Leg Waist " ]] || die "the column headings read as: $headings"
note "read: $(tr '\n' ';' <<<"$read_out")"

press Escape
expect_clean_exit "Escape"
