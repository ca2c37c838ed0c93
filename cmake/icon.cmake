# The program's icon, a frame of the traffic: cmake -DPROGRAM=... -DSCRIPT=... -DOUT=...
# -DSIZES="48;128;256" -DCONVERT=... -P icon.cmake. The script is replayed headless, and
# its 350th frame (35 s in, queues at the middle intersection) is cut to a square about
# the road network and scaled to OUT/<size>/kx508-traffic.png. ImageMagick's own chunks
# (dates) are left out, so that the same frame always gives the same files.
set(frames ${OUT}/frames)
file(REMOVE_RECURSE ${frames})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env KX508_PLATFORM=headless KX508_PLAY=${SCRIPT}
          KX508_FRAMES=${frames} KX508_FRAMES_EVERY=350 ${PROGRAM}
  WORKING_DIRECTORY ${OUT} RESULT_VARIABLE status ERROR_VARIABLE summary)
set(frame ${frames}/000350.png)
if(NOT status EQUAL 0 OR NOT EXISTS ${frame})
  message(FATAL_ERROR "the icon's replay ended with status ${status} and no frame 350: ${summary}")
endif()
foreach(size ${SIZES})
  file(MAKE_DIRECTORY ${OUT}/${size})
  execute_process(
    COMMAND ${CONVERT} ${frame} -crop 292x292+175+0 +repage
            -resize ${size}x${size} -strip -define png:exclude-chunks=date,time
            ${OUT}/${size}/kx508-traffic.png
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "convert could not make the ${size} x ${size} icon")
  endif()
endforeach()
