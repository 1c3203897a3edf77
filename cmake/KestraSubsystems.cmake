# The folders under src/ in the one order they depend on each other: a file
# may include headers of its own folder and of the folders before it, never
# of a folder after it. Read by src/CMakeLists.txt (which layer a file builds
# into) and by tests/LayerCheck.cmake (which includes run against the order,
# and which files may not see widgets). Typed once, here.
#
#   db, core, marc  the lower layers (their own libraries)
#   copies  the copy record every subsystem shares: reading, writing, codes,
#           entry, the lost-copy restore, the change notice
#   kit     the shared pieces of the processing forms (rows, runners, import)
#   output  page layouts, list reports and grid exporters (no widgets)
#   ui      shared widgets only: no subsystem
#   records the record information window (read only; opened by name from
#           every list that shows a copy or a record)
#   items .. oplog  the subsystems; each registers its own forms
#   shell   start-up, login, the main window and the list of every form
#   admin   the administration commands
#   app     the two main functions
set(KESTRA_FOLDER_ORDER db core marc copies kit output ui records
    items assign inventory printing shelving stats addins oplog shell admin app)

# The folders whose files split into the logic and gui layers by name.
set(KESTRA_SUBSYSTEMS copies kit output records items assign inventory printing shelving stats addins oplog shell admin)
