# Plug-ins and the programs that host them.
#
# A plug-in calls the platform API and resolves it from the program that loads it, so a host
# exports its symbols (ENABLE_EXPORTS) and holds every object of the core library, not only
# those the program itself happens to use.

# ts_plugin_host(<target>): make an executable able to host plug-ins.
function(ts_plugin_host target)
  set_target_properties(${target} PROPERTIES ENABLE_EXPORTS ON)
  target_link_options(${target} PRIVATE
    "LINKER:--whole-archive" "$<TARGET_FILE:ts_core>" "LINKER:--no-whole-archive")
  add_dependencies(${target} ts_core)
  # Relinks the host when the core library changes.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "$<TARGET_FILE:ts_core>")
endfunction()

# ts_add_plugin(<name> <sources>...): builds the plug-in "<name>.TSP" into the build directory,
# the start-up directory of the programs in a build tree. It never links the core library: the
# host's copy (its globals and UI backend) is the only one. Only its C exports are visible.
function(ts_add_plugin name)
  set(target ${name}_plugin)
  add_library(${target} MODULE ${ARGN})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    OUTPUT_NAME ${name}
    SUFFIX ".TSP"
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  target_compile_options(${target} PRIVATE -fvisibility=hidden)
endfunction()
