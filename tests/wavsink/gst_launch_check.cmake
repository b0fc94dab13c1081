# The plug-in as a GStreamer user meets it: found on GST_PLUGIN_PATH, inspected, used
# from gst-launch-1.0, and its file read back by wavparse with the sizes it declares.
set(ENV{GST_PLUGIN_PATH} ${PLUGIN_DIR})
# A fresh registry each run: a failed load would otherwise stay blacklisted in it.
set(ENV{GST_REGISTRY} ${WORK_DIR}/registry.bin)
file(REMOVE ${WORK_DIR}/registry.bin)
file(MAKE_DIRECTORY ${WORK_DIR})
set(wav ${WORK_DIR}/x.wav)
file(REMOVE ${wav})

execute_process(COMMAND gst-inspect-1.0 wavedestex RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "WaveDestEx|wavedestex")
  message(FATAL_ERROR "gst-inspect-1.0 does not find wavedestex:\n${out}")
endif()

execute_process(COMMAND gst-launch-1.0 -q audiotestsrc num-buffers=100 ! wavedestex
                        ! filesink location=${wav}
                RESULT_VARIABLE rc ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT EXISTS ${wav})
  message(FATAL_ERROR "gst-launch-1.0 with wavedestex failed:\n${out}")
endif()

# RIFF size = file size - 8, and the data chunk holds 100 buffers of 1024 S16 samples.
file(SIZE ${wav} size)
file(READ ${wav} head LIMIT 46 HEX)
string(SUBSTRING "${head}" 0 8 riff)
if(NOT riff STREQUAL "52494646")
  message(FATAL_ERROR "no RIFF signature: ${head}")
endif()
function(le32 hex offset out)
  set(v 0)
  foreach(i 3 2 1 0)
    math(EXPR at "(${offset} + ${i}) * 2")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    math(EXPR v "${v} * 256 + 0x${byte}")
  endforeach()
  set(${out} ${v} PARENT_SCOPE)
endfunction()
le32("${head}" 4 riffSize)
le32("${head}" 42 dataSize)
math(EXPR expectRiff "${size} - 8")
if(NOT riffSize EQUAL expectRiff OR NOT dataSize EQUAL 204800)
  message(FATAL_ERROR "sizes: file ${size}, RIFF ${riffSize}, data ${dataSize}")
endif()

execute_process(COMMAND gst-launch-1.0 -q filesrc location=${wav} ! wavparse ! audioconvert
                        ! fakesink
                RESULT_VARIABLE rc ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "wavparse cannot read the file back:\n${out}")
endif()
