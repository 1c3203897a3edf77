# The subsystem folders under src/, read by src/CMakeLists.txt (which layer a
# file builds into) and by tests/LayerCheck.cmake (which files may not see
# widgets). One list, so that a new folder is never built unchecked.
#
#   kit     the shared pieces of the processing forms (rows, runners, import)
#   output  page layouts, list reports and grid exporters (no widgets)
set(KESTRA_SUBSYSTEMS kit output shell items assign inventory printing shelving stats addins oplog admin)
