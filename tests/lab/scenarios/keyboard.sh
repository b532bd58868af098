# The keyboard alone through the panels: Enter presses Run Test, Escape
# cancels the run, Tab moves the focus, Enter starts again, and on the
# success panel Escape closes the window.
title="Keyboard only"
fault="none; the user never touches the mouse"
repairs="no repair" panel=success expect="Enter runs, Escape cancels, Enter runs again, Escape closes"
ci=yes limit=240

scenario_drive() {
    open_wizard
    xdotool key Return
    wait_line "start Plover tool" 20
    check keys.enter-runs $? "Enter did not press Run Test"
    xdotool key Escape
    wait_line "Exiting thread" 60
    check keys.escape-cancels $? "Escape did not stop the run"
    # Focus on Close and back: the welcome screen's buttons take the focus.
    xdotool key Tab Tab Tab
    sleep 0.5
    xdotool key Return
    wait_count "start Plover tool" 2 20
    check keys.enter-runs-again $? "Enter after Tab did not start a second run"
    wait_count "Exiting thread" 2 180
    check keys.second-run-ended $? "the second run did not end"
    final_screen final
    xdotool key Escape
    wait_gone 20
    check keys.escape-closes $? "Escape did not close the success panel"
}
