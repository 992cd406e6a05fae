# Builds the extension for installing: the unpacked folder (for --load-extension and for
# packing), a zip for the Chromium family (Chrome, Edge, Chromium) and an XPI for Firefox, all
# from the one source folder. Run as: cmake -DOUT=<folder> -P extension/package.cmake
if(NOT OUT)
    message(FATAL_ERROR "Give the output folder: cmake -DOUT=<folder> -P package.cmake")
endif()
get_filename_component(source ${CMAKE_CURRENT_LIST_DIR} ABSOLUTE)
set(files background.js content.js page.js manifest.json options.html options.js prompt.html shared.js
          prompt.js schema.json)
set(unpacked ${OUT}/unpacked)
file(REMOVE_RECURSE ${unpacked})
file(MAKE_DIRECTORY ${unpacked})
foreach(f ${files})
    file(COPY ${source}/${f} DESTINATION ${unpacked})
endforeach()
# Zip and XPI are the same zip archive; files at its top level, as both browsers want.
foreach(archive kestrova-chromium.zip kestrova-firefox.xpi)
    file(REMOVE ${OUT}/${archive})
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${OUT}/${archive} --format=zip ${files}
                    WORKING_DIRECTORY ${unpacked} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "Could not write ${archive}")
    endif()
endforeach()
message(STATUS "Extension: ${unpacked}, ${OUT}/kestrova-chromium.zip, ${OUT}/kestrova-firefox.xpi")
