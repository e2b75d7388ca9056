# Tremax beside Praat: the sound editor's "Show in Tremax" moves Tremax to the frame at the
# cursor (a running Tremax takes the time over the session bus; else one starts).
Add menu command: "SoundEditor", "Time", "Show in Tremax", "", 0, "show_in_tremax.praat"
