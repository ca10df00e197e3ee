# The core reaches the platform only through toolkit/: a file of the core
# that includes a Qt, sound library or Windows header stops the build.
file(GLOB core_files ${PROJECT_SOURCE_DIR}/startup/*.[ch]* ${PROJECT_SOURCE_DIR}/sound/*.[ch]*
     ${PROJECT_SOURCE_DIR}/window/*.[ch]*)
foreach(file ${core_files})
  file(STRINGS ${file} platform_includes
       REGEX "^#[ \t]*include[ \t]*[<\"](Q[A-Za-z]*|pulse/|alsa/|samplerate|sndfile|windows\\.h|mmsystem|toolkit/(qt|win32|linux_sound|sndfile|linux|memory)/)")
  if(platform_includes)
    message(FATAL_ERROR "${file} includes a platform header: ${platform_includes}")
  endif()
endforeach()
