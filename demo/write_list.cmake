# Writes the demo playlist: one entry per line, CR LF line ends.
set(entries tone.mp3 tone.ogg clip.avi picture.jpg)
set(text "")
foreach(e IN LISTS entries)
  string(APPEND text "${e}\r\n")
endforeach()
file(WRITE ${OUT} "${text}")
