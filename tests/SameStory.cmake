# cmake -DA=one.jsonl -DB=other.jsonl -P SameStory.cmake: fails unless the
# two traces show the same story: the same texts at the same pen positions,
# the same message boxes and questions, the same choices taken, in the same
# order. When they happened does not matter.
#
# -DVARIES=TEXT: the piece of text drawn right after the text TEXT differs
# from run to run (a RANDOM result: the generator is seeded with the time
# of day) and is not compared, only where it was drawn.
foreach(trace A B)
  if(NOT EXISTS "${${trace}}")
    message(FATAL_ERROR "no trace ${${trace}}")
  endif()
  file(STRINGS "${${trace}}" lines ENCODING UTF-8
       REGEX "\"ev\":\"(text|message|question|choice)\"")
  set(story_${trace} "")
  set(count_${trace} 0)
  set(varies FALSE)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^{\"t\":[0-9]+," "{" line "${line}")
    if(varies)
      string(REGEX REPLACE "\"text\":\"[^\"]*\"" "\"text\":\"?\"" line "${line}")
    endif()
    set(varies FALSE)
    if(DEFINED VARIES AND line MATCHES "\"ev\":\"text\"" AND
       line MATCHES "\"text\":\"${VARIES}\"")
      set(varies TRUE)
    endif()
    string(APPEND story_${trace} "${line}\n")
    math(EXPR count_${trace} "${count_${trace}} + 1")
  endforeach()
endforeach()
if(count_A EQUAL 0)
  message(FATAL_ERROR "${A} shows no text")
endif()
if(NOT story_A STREQUAL story_B)
  # Both kept beside the traces, for a diff.
  file(WRITE "${A}.story" "${story_A}")
  file(WRITE "${B}.story" "${story_B}")
  message(FATAL_ERROR "the stories differ (${count_A} against ${count_B} events): "
                      "diff ${A}.story ${B}.story")
endif()
message(STATUS "the same story: ${count_A} events")
