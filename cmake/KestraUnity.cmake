# Unity builds: a target compiles its sources in batches, one translation
# unit per batch, so that a two-core machine parses the Qt and standard
# headers once per batch instead of once per file. Batches are formed in
# source order, which is folder and file name order.
#
# A file's anonymous namespace, static functions and file-scope using
# directives are shared with the other files of its batch, so two files
# that define the same helper name clash. Rename one of them, or, when a
# file cannot share (it defines macros for itself, it must see a header
# without anything before it), list it below: it then compiles alone.
# Paths are relative to the source root. Configure with
# -DKESTRA_UNITY_BUILD=OFF to find a missing include that a batch hides.
set(KESTRA_UNITY_SKIP
  src/db/SchemaLive.cpp           # sameName, as in SchemaDdl.cpp
  src/admin/DatabaseCommands.cpp  # printErr, as in AdminMain.cpp
  src/admin/DemoCommand.cpp       # printErr
  src/admin/DemoCollection.cpp    # text, as in DemoActivity.cpp
)

# kestra_unity(target batch): batch is the number of files per batch. Larger
# batches save more on a fresh build and cost more on an incremental one (a
# change recompiles its whole batch).
function(kestra_unity target batch)
  if(NOT KESTRA_UNITY_BUILD)
    return()
  endif()
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${batch})
  set(_skip "")
  foreach(f IN LISTS KESTRA_UNITY_SKIP)
    list(APPEND _skip ${CMAKE_SOURCE_DIR}/${f})
  endforeach()
  if(_skip)
    set_source_files_properties(${_skip} TARGET_DIRECTORY ${target} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  endif()
endfunction()
