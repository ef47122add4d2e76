# Every program built for Windows carries platform/win32/process_manifest.xml: UTF-8 as the
# process code page and long paths. Called once, after every folder has declared its targets.
function(trendtab_embed_process_manifest directory)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_sources(${target} PRIVATE ${_manifest_rc})
      # The resource compiler finds the manifest beside the .rc; a change to it rebuilds the resource.
      set_source_files_properties(${_manifest_rc} TARGET_DIRECTORY ${target} PROPERTIES
        OBJECT_DEPENDS ${PROJECT_SOURCE_DIR}/platform/win32/process_manifest.xml)
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    trendtab_embed_process_manifest(${subdirectory})
  endforeach()
endfunction()

if(WIN32)
  enable_language(RC)
  set(_manifest_rc ${PROJECT_SOURCE_DIR}/platform/win32/process_manifest.rc)
  trendtab_embed_process_manifest(${PROJECT_SOURCE_DIR})
endif()
