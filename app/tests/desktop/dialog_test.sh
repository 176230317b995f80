#!/usr/bin/env bash
# The analysis dialog belongs to the main window: it is transient for it
# and modal, asks for no minimize or maximize, and an attempt to minimize
# it never leaves the main window blocked behind a dialog that is gone.
# modes: openbox icewm
set -euo pipefail
source "$(dirname "$0")/helpers.sh"

project="$work/proj/"
write_source "$project/a.pas" a.pas 03.05.2019

# Whether the Motif hints' field $2 wants the bit $3, the flag bit $1 saying
# whether the field counts: a field that does not count wants everything,
# and its "all" bit turns the bits given into exceptions.
motif_field_wants() {
    (((flags & $1) == 0 || ((($2 & 1) != 0) != (($2 & $3) != 0))))
}

# Whether window $1 asks for the button $2 (minimize or maximize), as a
# function or as a decoration.
motif_wants() {
    local flags functions decorations
    read -r flags functions decorations _ <<< "$(xprop -id "$1" _MOTIF_WM_HINTS | sed 's/.*= //; s/,//g')"
    case "$2" in
    minimize) motif_field_wants 1 "$functions" 8 || motif_field_wants 2 "$decorations" 32 ;;
    maximize) motif_field_wants 1 "$functions" 16 || motif_field_wants 2 "$decorations" 64 ;;
    esac
}

start_lorvane
type_folder "$project"
keys Return
keys F9
dialog="$(wait_window 'Анализ файлов')" || fail "the analysis dialog did not appear"

owner="$(transient_for "$dialog")"
echo "dialog $dialog, transient for ${owner:-nothing}, main window $main"
[[ "$owner" == "$main" ]] || fail "the dialog is transient for ${owner:-nothing}, not for the main window $main"
xprop -id "$dialog" _NET_WM_STATE | grep -q _NET_WM_STATE_MODAL || fail "the dialog is not modal"
for button in minimize maximize; do
    not motif_wants "$dialog" "$button" || fail "the dialog asks for a $button button: $(xprop -id "$dialog" _MOTIF_WM_HINTS)"
done
allowed="$(xprop -id "$dialog" _NET_WM_ALLOWED_ACTIONS)"
echo "allowed: ${allowed#*= }"
[[ "$allowed" != *MAXIMIZE* ]] || fail "the dialog can be maximized: $allowed"
# openbox offers to minimize every dialog; it then minimizes the owner too.
if [[ "$LORVANE_DESKTOP_WM" != openbox ]]; then
    [[ "$allowed" != *_NET_WM_ACTION_MINIMIZE* ]] || fail "the dialog can be minimized: $allowed"
fi

# A minimized dialog takes its owner along, or stays.
xdotool windowminimize "$dialog"
within 3 not is_viewable "$dialog" || true
if is_viewable "$dialog"; then
    echo "the window manager kept the dialog on the screen"
    is_viewable "$main" || fail "the main window went while its dialog stayed"
else
    echo "the window manager minimized the dialog"
    not is_viewable "$main" || fail "the dialog was minimized alone: the main window is blocked behind it"
    # The user brings the program back by its main window.
    wmctrl -i -a "$main"
    within 10 is_viewable "$main" || fail "the main window did not come back"
    within 10 is_viewable "$dialog" || fail "the dialog did not come back with the main window"
fi

# Both answer: the dialog runs the analysis, the main window opens it again.
xdotool windowactivate --sync "$dialog" 2> /dev/null || true
keys Return
within 15 window_gone 'Анализ файлов' || fail "the dialog did not answer Enter"
keys F9
dialog="$(wait_window 'Анализ файлов')" || fail "the main window did not answer F9"
close_window "$dialog"
within 15 window_gone 'Анализ файлов' || fail "the dialog did not close"
stop_lorvane
echo "the dialog stays with its main window"
