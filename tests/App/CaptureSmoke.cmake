# Runs tessavin-capture for a few frames and checks its output: the two shots,
# and in stats.json each pass's device time and the area filters' rectangles.
# EMULATOR runs the tool where it cannot run itself (wine for the Windows build).
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${EMULATOR} ${CAPTURE} --frames 3 --shots 0,2 --fixed-dt 0.02 --out ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "tessavin-capture failed (${result})")
endif()
foreach(shot frame-0000.png frame-0002.png)
  if(NOT EXISTS ${OUT}/${shot})
    message(FATAL_ERROR "no ${shot}")
  endif()
endforeach()
file(READ ${OUT}/stats.json stats)
foreach(key "\"passes\": {\"ordinary\": [0-9]" "\"scene_copy\": [0-9]" "\"area_Cubey\": [0-9]" "\"present\": [0-9]"
            "\"areas\": {\"Cubey\": \\[[-0-9]" "\"Wall1\": \\[[-0-9]" "\"pass_frames\": {")
  if(NOT stats MATCHES "${key}")
    message(FATAL_ERROR "stats.json has no ${key}:\n${stats}")
  endif()
endforeach()
