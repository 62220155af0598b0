# Installs the build into a scratch prefix, checks that every file lies where
# the desktop and the program look for it, and runs the installed programs.
# Run as: cmake -DBUILD_DIR=... -DPREFIX=... -DVERSION=... -P CheckInstall.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
  bin/varnok bin/zk
  share/varnok/Zk.ini share/varnok/help/index.html share/varnok/help/style.css
  share/varnok/examples/reverse.zk share/varnok/examples/lists.zk
  share/applications/varnok.desktop share/mime/packages/varnok.xml
  share/icons/hicolor/scalable/apps/varnok.svg share/icons/hicolor/48x48/apps/varnok.png
  share/icons/hicolor/256x256/apps/varnok.png)
foreach(file IN LISTS expected)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# The installed guide can be read in a browser too: its pictures are there.
file(GLOB pages ${PREFIX}/share/varnok/help/*.html)
foreach(page IN LISTS pages)
  file(STRINGS ${page} images REGEX "<img src=\"[^\"]+\"")
  foreach(line IN LISTS images)
    string(REGEX MATCHALL "src=\"[^\"]+\"" sources "${line}")
    foreach(source IN LISTS sources)
      string(REGEX REPLACE "src=\"([^\"]+)\"" "\\1" image "${source}")
      if(NOT EXISTS ${PREFIX}/share/varnok/help/${image})
        message(FATAL_ERROR "${page} shows ${image}, which is not installed")
      endif()
    endforeach()
  endforeach()
endforeach()

foreach(program varnok zk)
  execute_process(COMMAND ${PREFIX}/bin/${program} --version
    OUTPUT_VARIABLE answer RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT answer MATCHES "^${program} .*${VERSION}\n$")
    message(FATAL_ERROR "installed ${program} --version answered ${result}: ${answer}")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
message(STATUS "installed layout is complete")
