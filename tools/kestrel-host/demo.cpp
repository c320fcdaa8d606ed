// The built-in demo, written as a script so that it reads as what a user does.
#include "tools/kestrel-host/demo.h"

const char DemoScript[] = R"(# Kestrel demo: a session in the virtual simulator
say "A pilot starts the simulator with Kestrel in its Modules folder"
ini SETTINGS ShowRec 1
ini SETTINGS ShowPlay 1
# Files of an earlier run are replaced when saved again.
on message "C:\Sim\" answer yes
start
flight load
user flies circuit
ai add "Beech Baron 58 Paint1" flies orbit
ai add "Cessna Skyhawk 172SP Paint2" flies circuit
seconds 5
expect mode ReplayBuffering
expect menu "Record...","Play...","Play as traffic...","Replay...","Settings...","Keyboard...","About..."

say "Recording the circuit through the Record Flight dialog, AI traffic every 4th sample"
fidelity record
on dialog 102 do select 1000 1; check 1089; set 1090 4; click 1
menu "Record..."
expect mode Recording
expect menu "Stop...","About..."
seconds 375
expect text "RECORDING ["
on save answer C:\Sim\demo.frc
menu "Stop..."
expect file C:\Sim\demo.frc
dump C:\Sim\demo.frc
say "The replay buffer fills while nothing else runs"
seconds 30

say "Playing demo.frc back onto the user's aircraft"
on open answer C:\Sim\demo.frc
menu "Play..."
fidelity play
expect mode Playing
seconds 60
expect text "PLAYBACK ["
seconds 330
expect mode ReplayBuffering
fidelity report
pause off

say "Changing settings: show the control window, step size 1 searches at 10x"
on dialog 101 do check 1008; check 1053; set 1010 10; click 1
menu "Settings..."
expect file C:\Sim\Modules\Kestrel.ini
say "Driving a playback with the keys and the control window"
on open answer C:\Sim\demo.frc
menu "Play..."
seconds 30
say "Left arrow held: search backward at 10x"
key down Left
seconds 2
key up Left
say "Page Up: jump back 300 s (to the start); keypad +: faster"
key PageUp
key Num+
seconds 10
say "Delete: loop on; the control window's - button: slower"
key Delete
click window 1012
seconds 5
say "The slider to the middle, loop start there, then the loop end 20 s later"
slider 175
click window 1009
seconds 20
click window 1011
seconds 25
say "Shift+Esc: stop at the current position"
key Shift+Esc
expect mode ReplayBuffering
pause off

say "Playing demo.frc as traffic while recording a second flight beside it"
on open answer C:\Sim\demo.frc
menu "Play as traffic..."
expect mode PlayingTraffic
seconds 20
on dialog 102 do select 1000 2; uncheck 1089; click 1
menu "Record..."
expect mode RecordingWithTraffic
seconds 120
expect text "RECORDING + TRAFFIC PLAYBACK ["
on save answer C:\Sim\second.frc
menu "Stop..."
expect mode PlayingTraffic
dump C:\Sim\second.frc
menu "Stop..."
expect mode ReplayBuffering

say "Replaying the last 60 seconds from the replay buffer"
seconds 90
on dialog 103 do set 1005 60; click 1
menu "Replay..."
expect mode Replaying
seconds 30
expect text "REPLAY ["
menu "Stop..."
seconds 2
expect mode ReplayBuffering
pause off
seconds 10

say "Saving the whole replay buffer with the Replay dialog's Save replay button"
on save answer C:\Sim\replay.frc
on dialog 103 do click 1004; click 2
menu "Replay..."
expect file C:\Sim\replay.frc
dump C:\Sim\replay.frc

say "The simulator closes"
stop
)";
