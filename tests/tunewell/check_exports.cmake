# Fails unless the library exports exactly the fifteen player functions: anything else
# visible would become part of what hosts may bind to.
execute_process(COMMAND nm -D --defined-only ${LIBRARY} OUTPUT_VARIABLE listing
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[0-9a-f]+ [TtDdBbRrWwVv] [^\n]+" entries "${listing}")
set(found)
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^[0-9a-f]+ . " "" name "${entry}")
  list(APPEND found ${name})
endforeach()
list(SORT found)
set(expected VorbisLibClose VorbisLibGetFile VorbisLibGetTime VorbisLibInit VorbisLibIsActive
    VorbisLibIsPause VorbisLibIsPlay VorbisLibIsVorbis VorbisLibOpen VorbisLibPause
    VorbisLibPlay VorbisLibPlayFile VorbisLibSetTime VorbisLibStop VorbisLibWaveDest)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "exports differ:\n  found    ${found}\n  expected ${expected}")
endif()
