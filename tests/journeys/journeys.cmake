# Journeys: the built program started as a process of its own on a private X desktop and
# driven with real input, once under openbox and once with no window manager. Each takes the
# whole desktop's attention (and the machine's), so they run one at a time.
set(KESTRELLE_JOURNEY_PYTHON /usr/bin/python3 CACHE FILEPATH "Debian's python3 with PIL and numpy, for the journeys")
set(_journeys wizard command-line open-chooser edit play-pause maximise-restore-resize export-gif)
# The sanitizer build runs the program several times slower: every wait is stretched.
if(KESTRELLE_SANITIZE)
  set(_scale 5)
  set(_timeout 900)
else()
  set(_scale 1)
  set(_timeout 180)
endif()
foreach(_wm openbox none)
  foreach(_journey ${_journeys})
    if(_wm STREQUAL "none")
      set(_name journey.bare.${_journey})
    else()
      set(_name journey.${_wm}.${_journey})
    endif()
    add_test(NAME ${_name}
      COMMAND ${KESTRELLE_JOURNEY_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/journeys.py
              --bin ${KESTRELLE_BIN_DIR} --wm ${_wm} ${_journey})
    set_tests_properties(${_name} PROPERTIES LABELS journey RUN_SERIAL TRUE TIMEOUT ${_timeout}
      ENVIRONMENT "KESTRELLE_JOURNEY_TIME_SCALE=${_scale}")
  endforeach()
endforeach()
