# cindral_add_test(NAME <name> SOURCES <files...> LIBS <targets...>
#                  [OFFSCREEN] [XVFB] [LABELS <labels...>])
#
# Builds one Qt Test executable and registers it with CTest. Every test gets
# its own data folder through CINDRAL_DATA_DIR so no test touches a user's
# files. OFFSCREEN runs it on Qt's offscreen platform; XVFB runs it under a
# private X server and labels it "xvfb".
function(cindral_add_test)
  cmake_parse_arguments(T "OFFSCREEN;XVFB" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  qt_add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES MACOSX_BUNDLE OFF WIN32_EXECUTABLE OFF)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test cindral_options)
  set(data_dir ${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.data)
  set(env "CINDRAL_DATA_DIR=${data_dir}")
  set(labels ${T_LABELS})
  if(T_XVFB)
    find_program(XVFB_RUN xvfb-run REQUIRED)
    add_test(NAME ${T_NAME}
             COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:${T_NAME}>)
    list(APPEND env "QT_QPA_PLATFORM=xcb")
    list(APPEND labels xvfb)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    if(T_OFFSCREEN)
      list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" LABELS "${labels}" TIMEOUT 300)
  file(MAKE_DIRECTORY ${data_dir})
endfunction()
