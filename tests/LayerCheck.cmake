# Fails when
#  - a file includes a header of a folder that comes after its own in
#    KESTRA_FOLDER_ORDER (two folders that need each other, or a lower one
#    that needs a higher one), or of a folder of src/ that the order does not
#    know;
#  - a file of the db, core, marc or logic layer includes a widget, GUI or
#    printing header.
# Run by ctest as the test "layers" over src/, and as "layers-catch-a-cycle"
# over a small tree with a deliberate cycle, which must fail.
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/KestraSubsystems.cmake)
set(_bad "")

# The include order.
set(_rank 0)
foreach(dir IN LISTS KESTRA_FOLDER_ORDER)
  set(_rank_${dir} ${_rank})
  math(EXPR _rank "${_rank} + 1")
endforeach()
file(GLOB _dirs LIST_DIRECTORIES true RELATIVE ${SRC} ${SRC}/*)
foreach(dir IN LISTS _dirs)
  if(NOT IS_DIRECTORY ${SRC}/${dir})
    continue()
  endif()
  if(NOT DEFINED _rank_${dir})
    list(APPEND _bad "src/${dir}: a folder missing from KESTRA_FOLDER_ORDER (cmake/KestraSubsystems.cmake)")
    continue()
  endif()
  file(GLOB_RECURSE _own ${SRC}/${dir}/*.h ${SRC}/${dir}/*.cpp)
  foreach(f IN LISTS _own)
    file(STRINGS ${f} _incs REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z_]+/")
    foreach(line IN LISTS _incs)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([A-Za-z_]+)/.*" "\\1" _to "${line}")
      if(NOT DEFINED _rank_${_to})
        continue() # not a folder of src/ (a generated or third-party header)
      endif()
      if(_rank_${_to} GREATER _rank_${dir})
        file(RELATIVE_PATH _rel ${SRC} ${f})
        list(APPEND _bad "src/${_rel} includes ${_to}/, a folder after ${dir}/ in the order")
      endif()
    endforeach()
  endforeach()
endforeach()

# Widgets stay in the gui layer.
file(GLOB_RECURSE _files ${SRC}/db/*.h ${SRC}/db/*.cpp ${SRC}/core/*.h ${SRC}/core/*.cpp
                         ${SRC}/marc/*.h ${SRC}/marc/*.cpp)
foreach(sub IN LISTS KESTRA_SUBSYSTEMS)
  file(GLOB_RECURSE _sub ${SRC}/${sub}/*.h ${SRC}/${sub}/*.cpp)
  foreach(f IN LISTS _sub)
    get_filename_component(_stem ${f} NAME_WE)
    if(NOT _stem MATCHES "(Form|Forms|Dialog|Window|Widget|Device)$")
      list(APPEND _files ${f})
    endif()
  endforeach()
endforeach()
foreach(f IN LISTS _files)
  file(STRINGS ${f} _hits REGEX "#include[ \t]*[<\"](QtWidgets|QtGui|QtPrintSupport|QtMultimedia|QApplication|QGuiApplication|Q[A-Za-z]*(Widget|Dialog|MainWindow|MessageBox|Button|LineEdit|Label|Layout|Painter|Printer|SoundEffect))[/>\"]")
  if(_hits)
    list(APPEND _bad "${f}: widget headers below the gui layer: ${_hits}")
  endif()
endforeach()

if(_bad)
  list(JOIN _bad "\n" _msg)
  message(FATAL_ERROR "layers:\n${_msg}")
endif()
list(LENGTH _files _count)
message(STATUS "layers: folder order kept; ${_count} files free of widgets")
