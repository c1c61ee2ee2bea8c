# cmake -DA=one.jsonl -DB=other.jsonl -P SameStory.cmake: fails unless the
# two traces show the same story: the same texts at the same pen positions,
# the same message boxes and questions, the same choices taken, in the same
# order. When they happened does not matter.
foreach(trace A B)
  if(NOT EXISTS "${${trace}}")
    message(FATAL_ERROR "no trace ${${trace}}")
  endif()
  file(STRINGS "${${trace}}" lines ENCODING UTF-8
       REGEX "\"ev\":\"(text|message|question|choice)\"")
  set(story_${trace} "")
  set(count_${trace} 0)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^{\"t\":[0-9]+," "{" line "${line}")
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
