# Precompiled Qt headers, built once per build and shared by every target.
#
# Parsing Qt's headers is a large part of compiling each of our files, and
# most targets have only one or two files, so a precompiled header of their
# own would cost more than it saves. Two small hosts build the headers once
# (cindral_pch_widgets for targets that use QtWidgets, cindral_pch_core for
# the rest) and each target of ours reuses one of them.
#
# A reused header is only valid when it was built with the same flags and
# macros: the hosts link cindral_options like every target, and define no
# more Qt module macros than their users. The headers here test none of the
# macros that differ between users (QT_TESTLIB_LIB, QT_TESTCASE_*, QT_DBUS_LIB,
# our own), which is why QtTest is not among them. GCC ignores an invalid one
# with a warning (CMake adds -Winvalid-pch); clang refuses it.
#
# cindral_precompile_headers() is called once, after every target exists.
# Targets that do not link cindral_options, and those with compile options
# of their own (the fuzz programs), are left alone.
option(CINDRAL_PCH "Reuse one precompiled set of Qt headers in every target" ON)

set(cindral_pch_core_headers
  <QtCore/QByteArray> <QtCore/QCoreApplication> <QtCore/QDateTime> <QtCore/QDir>
  <QtCore/QFile> <QtCore/QFileInfo> <QtCore/QHash> <QtCore/QList> <QtCore/QObject>
  <QtCore/QPointer> <QtCore/QProcess> <QtCore/QRegularExpression> <QtCore/QSaveFile>
  <QtCore/QStandardPaths> <QtCore/QString> <QtCore/QStringList> <QtCore/QTemporaryDir>
  <QtCore/QTimer> <QtCore/QUrl> <QtCore/QVariant>)
set(cindral_pch_widgets_headers ${cindral_pch_core_headers}
  <QtGui/QAction> <QtGui/QClipboard> <QtGui/QColor> <QtGui/QGuiApplication> <QtGui/QIcon>
  <QtGui/QImage> <QtGui/QKeyEvent> <QtGui/QPainter> <QtGui/QPixmap> <QtGui/QScreen>
  <QtGui/QWindow>
  <QtWidgets/QApplication> <QtWidgets/QComboBox> <QtWidgets/QDialog> <QtWidgets/QFileDialog>
  <QtWidgets/QFrame> <QtWidgets/QGroupBox> <QtWidgets/QHBoxLayout> <QtWidgets/QHeaderView>
  <QtWidgets/QLabel> <QtWidgets/QLineEdit> <QtWidgets/QMainWindow> <QtWidgets/QMenuBar>
  <QtWidgets/QMessageBox> <QtWidgets/QPushButton> <QtWidgets/QRadioButton>
  <QtWidgets/QTableView> <QtWidgets/QTableWidget> <QtWidgets/QVBoxLayout> <QtWidgets/QWidget>)

if(CINDRAL_PCH)
  # ccache caches compilations that use a precompiled header only when told
  # the header's macros and time stamps may be trusted.
  if(CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache")
    set(CMAKE_CXX_COMPILER_LAUNCHER
        ${CMAKE_COMMAND} -E env CCACHE_SLOPPINESS=pch_defines,time_macros
        ${CMAKE_CXX_COMPILER_LAUNCHER})
  endif()
  set(stub ${CMAKE_BINARY_DIR}/generated/cindral_pch_stub.cpp)
  file(CONFIGURE OUTPUT ${stub} CONTENT "// Hosts the shared precompiled headers.\n")
  foreach(kind core widgets)
    add_library(cindral_pch_${kind} OBJECT ${stub})
    set_target_properties(cindral_pch_${kind} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
    target_precompile_headers(cindral_pch_${kind} PRIVATE ${cindral_pch_${kind}_headers})
  endforeach()
  target_link_libraries(cindral_pch_core PRIVATE Qt6::Core cindral_options)
  target_link_libraries(cindral_pch_widgets PRIVATE Qt6::Widgets cindral_options)
endif()

# Whether <target> gets QtWidgets' headers: through its own links or what
# the targets it links pass on (not through $<LINK_ONLY:...>, which passes
# on no include folders).
function(cindral_uses_widgets target out)
  set(seen "")
  set(pending ${target})
  while(pending)
    list(POP_FRONT pending t)
    if(t IN_LIST seen OR NOT TARGET ${t})
      continue()
    endif()
    list(APPEND seen ${t})
    set(links "")
    if(t STREQUAL target)
      get_target_property(links ${t} LINK_LIBRARIES)
    endif()
    get_target_property(interface ${t} INTERFACE_LINK_LIBRARIES)
    foreach(lib IN LISTS links interface)
      if(lib MATCHES "^Qt6?::Widgets$")
        set(${out} TRUE PARENT_SCOPE)
        return()
      endif()
      if(NOT lib MATCHES "^\\$<" AND NOT lib MATCHES "-NOTFOUND$")
        list(APPEND pending ${lib})
      endif()
    endforeach()
  endwhile()
  set(${out} FALSE PARENT_SCOPE)
endfunction()

# Every target defined in the project's folders, into <out>.
function(cindral_project_targets out)
  set(all "")
  set(dirs ${CMAKE_SOURCE_DIR})
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(sub DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${sub})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    list(APPEND all ${targets})
  endwhile()
  set(${out} ${all} PARENT_SCOPE)
endfunction()

function(cindral_precompile_headers)
  if(NOT CINDRAL_PCH)
    return()
  endif()
  cindral_project_targets(targets)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    get_target_property(links ${t} LINK_LIBRARIES)
    get_target_property(options ${t} COMPILE_OPTIONS)
    if(NOT type MATCHES "^(STATIC_LIBRARY|EXECUTABLE)$" OR NOT "cindral_options" IN_LIST links
       OR options)
      continue()
    endif()
    cindral_uses_widgets(${t} widgets)
    if(widgets)
      target_precompile_headers(${t} REUSE_FROM cindral_pch_widgets)
    else()
      target_precompile_headers(${t} REUSE_FROM cindral_pch_core)
    endif()
    # A program's moc output is included by its own .cpp file, which leaves
    # moc's collecting file empty: reading the header for it costs half a
    # second with GCC and saves nothing.
    get_target_property(automoc ${t} AUTOMOC)
    if(type STREQUAL "EXECUTABLE" AND automoc)
      get_target_property(bin ${t} BINARY_DIR)
      set_source_files_properties(${bin}/${t}_autogen/mocs_compilation.cpp TARGET_DIRECTORY ${t}
                                  PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
    endif()
  endforeach()
endfunction()
