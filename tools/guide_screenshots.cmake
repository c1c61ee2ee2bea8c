# cmake -DMIRT=player -DDEMO=game -DSHOTS=dir -DWORK=dir -P guide_screenshots.cmake
#
# Takes the player's guide's screenshots: every NAME.input in SHOTS is played
# by the headless player on the virtual clock over a fresh copy of the demo
# in WORK/NAME, from SHOTS as the current folder, so the PNGs its screenshot
# actions name land beside the scripts. The copy takes the settings and save
# files the run writes; the demo itself stays as it is.
foreach(var MIRT DEMO SHOTS WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "guide_screenshots.cmake needs -D${var}=...")
  endif()
endforeach()
if(NOT EXISTS "${DEMO}/init.def")
  message(FATAL_ERROR "no init.def in ${DEMO}")
endif()

file(GLOB scripts "${SHOTS}/*.input")
list(SORT scripts)
if(NOT scripts)
  message(FATAL_ERROR "no input scripts in ${SHOTS}")
endif()
foreach(script ${scripts})
  get_filename_component(name "${script}" NAME_WE)
  set(copy "${WORK}/${name}")
  file(REMOVE_RECURSE "${copy}")
  file(MAKE_DIRECTORY "${copy}")
  file(COPY "${DEMO}/" DESTINATION "${copy}")
  message(STATUS "guide screenshots: ${name}")
  execute_process(
    COMMAND "${MIRT}" --headless --virtual-time --max-time 900000
            --input "${script}" --trace "${WORK}/${name}.jsonl" "${copy}"
    WORKING_DIRECTORY "${SHOTS}"
    RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "${name}.input: the player ended with ${code}")
  endif()
endforeach()
