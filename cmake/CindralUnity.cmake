# Unity builds of the program's libraries: each library's .cpp files are
# compiled as one, so Qt's headers are read once per library rather than
# once per file. Files of one library then share a translation unit, and
# two helpers of the same name in anonymous namespaces of different files
# clash; a library that does not build this way is named in
# CINDRAL_UNITY_EXCLUDED and built file by file.
option(CINDRAL_UNITY_BUILD "Compile each library of src/ as one translation unit" ON)
set(CINDRAL_UNITY_EXCLUDED "" CACHE STRING "Libraries of src/ built file by file")

function(cindral_unity_libraries)
  if(NOT CINDRAL_UNITY_BUILD)
    return()
  endif()
  cindral_project_targets(targets)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    get_target_property(dir ${t} SOURCE_DIR)
    if(type STREQUAL "STATIC_LIBRARY" AND dir MATCHES "^${CMAKE_SOURCE_DIR}/src/"
       AND NOT t IN_LIST CINDRAL_UNITY_EXCLUDED)
      set_target_properties(${t} PROPERTIES UNITY_BUILD ON)
    endif()
  endforeach()
endfunction()
