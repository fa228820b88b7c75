# The layers, from the bottom: engine/api and engine/base, the engine's folders, engine/timeline
# (the engine's facade, which none of the folders below it includes), engine/script (over the
# script core, script/), classes/, then the program's folders: the editor model (editor/), the
# views (views/), the pages side by side (browser/ capture/ output/; the production pages send to
# the capture page's devices) and the window with the
# start-up (app/). platform/ and common/ serve any layer; the plug-in modules see engine/api and
# the platform folders named below. Read by the build (the link rule of each layered target) and
# by CheckIncludes.cmake (the include rule of each folder).

# "<folder>: <what its files may include>...": the folder a file lies in is the longest one
# listed that holds it; it may include files below the folders named after it, except those
# below a folder written with a leading "!". Folders not listed (tests, benchmarks, tools) may
# include anything.
set(CLIPSTEAD_LAYER_FOLDERS
  "engine/api: engine/api"
  "engine/base: engine/api engine/base"
  "engine: engine !engine/script !engine/timeline common platform"
  "engine/timeline: engine !engine/script common platform"
  "engine/script: engine script common platform"
  "script: script platform/file platform/text"
  "classes: classes engine/api common"
  "editor: editor engine/api common platform"
  "views: views editor classes engine/api common platform"
  "browser: browser views editor classes engine/api common platform"
  "capture: capture views editor classes engine/api common platform"
  "output: output capture views editor classes engine/api common platform"
  "app: app browser capture output views editor classes engine/api common platform"
  "common: common platform/ini"
  "platform: platform"
  "plugins: plugins engine/api platform/ffmpeg platform/scaler platform/system platform/media platform/file platform/ini
  platform/text platform/segments")

# "<folder> -> <file>": crossings that stay until the code that makes them is reshaped. The
# timeline runs scripts and writes projects through the script bridge's own headers (neither
# exposes the script core).
set(CLIPSTEAD_LAYER_CROSSINGS
  "engine/timeline -> engine/script/ZRScriptFrontEnd.h"
  "engine/timeline -> engine/script/ZRProjectWriter.h")

# "<target>: <project targets it may link>...", directly or through the targets it links.
set(CLIPSTEAD_LAYER_TARGETS
  "kernel_api:"
  "kernel_base: kernel_api"
  "clipstead_script: clipstead_file clipstead_text"
  "kernel_objects: kernel_api kernel_base clipstead_platform clipstead_system clipstead_scaler clipstead_dvcodec clipstead_mjpeg clipstead_aviwriter clipstead_ffmpeg clipstead_config clipstead_file clipstead_ini clipstead_text"
  "clipstead_classes: kernel_api clipstead_config clipstead_ini"
  "clipstead_ffmpeg:"
  "clipstead_system: clipstead_file"
  "clipstead_scaler:"
  "clipstead_dvcodec: clipstead_ffmpeg clipstead_scaler"
  "clipstead_mjpeg:"
  "clipstead_aviwriter: clipstead_ffmpeg clipstead_scaler clipstead_system clipstead_file"
  "clipstead_segments: clipstead_ffmpeg clipstead_system clipstead_file"
  "clipstead_media: clipstead_ffmpeg clipstead_scaler clipstead_segments clipstead_system clipstead_file"
  "clipstead_graph: clipstead_playback clipstead_filesource clipstead_media clipstead_segments clipstead_ffmpeg clipstead_scaler clipstead_system clipstead_file"
  "clipstead_cdwriter: clipstead_ffmpeg clipstead_system clipstead_file"
  "clipstead_ieee1394: clipstead_graph clipstead_playback clipstead_filesource clipstead_media clipstead_segments clipstead_ffmpeg clipstead_scaler clipstead_system clipstead_file"
  "clipstead_dvdevice: clipstead_ieee1394 clipstead_graph clipstead_playback clipstead_filesource clipstead_media clipstead_segments clipstead_ffmpeg clipstead_scaler clipstead_system clipstead_file"
  "clipstead_v4l2: clipstead_graph clipstead_aviwriter clipstead_playback clipstead_filesource clipstead_media clipstead_segments clipstead_ffmpeg clipstead_scaler clipstead_system clipstead_file"
  "clipstead_editor_data: kernel_api"
  "clipstead_editor: kernel_api clipstead_editor_data clipstead_scaler"
  "clipstead_views: kernel_api clipstead_editor_data clipstead_editor clipstead_classes clipstead_config clipstead_playback clipstead_filesource clipstead_media clipstead_segments clipstead_platform clipstead_system clipstead_scaler clipstead_dvcodec clipstead_mjpeg clipstead_aviwriter clipstead_ffmpeg clipstead_file clipstead_ini clipstead_text"
  "clipstead_browser: kernel_api clipstead_editor_data clipstead_editor clipstead_views clipstead_classes clipstead_config clipstead_playback clipstead_filesource clipstead_media clipstead_segments clipstead_platform clipstead_system clipstead_scaler clipstead_dvcodec clipstead_mjpeg clipstead_aviwriter clipstead_ffmpeg clipstead_file clipstead_ini clipstead_text"
  "clipstead_capture: kernel_api clipstead_editor_data clipstead_editor clipstead_views clipstead_classes clipstead_config clipstead_graph clipstead_ieee1394 clipstead_v4l2 clipstead_playback clipstead_filesource clipstead_media clipstead_segments clipstead_platform clipstead_system clipstead_scaler clipstead_dvcodec clipstead_mjpeg clipstead_aviwriter clipstead_ffmpeg clipstead_file clipstead_ini clipstead_text"
  "clipstead_output: kernel_api clipstead_editor_data clipstead_editor clipstead_views clipstead_capture clipstead_dvdevice clipstead_graph clipstead_ieee1394 clipstead_v4l2 clipstead_cdwriter clipstead_classes clipstead_config clipstead_playback clipstead_filesource clipstead_media clipstead_segments clipstead_platform clipstead_system clipstead_scaler clipstead_dvcodec clipstead_mjpeg clipstead_aviwriter clipstead_ffmpeg clipstead_file clipstead_ini clipstead_text"
  "clipstead_app: kernel_api clipstead_editor_data clipstead_editor clipstead_views clipstead_browser clipstead_capture clipstead_output clipstead_cdwriter clipstead_dvdevice clipstead_classes clipstead_config clipstead_graph clipstead_ieee1394 clipstead_v4l2 clipstead_playback clipstead_filesource clipstead_media clipstead_segments clipstead_platform clipstead_system clipstead_scaler clipstead_dvcodec clipstead_mjpeg clipstead_aviwriter clipstead_ffmpeg clipstead_file clipstead_ini clipstead_text")
# What every plug-in module and the plug-in modules' own libraries may link.
set(CLIPSTEAD_PLUGIN_LINKS
  kernel_api clipstead_ffmpeg clipstead_scaler clipstead_system clipstead_media clipstead_file
  clipstead_ini clipstead_text clipstead_segments)

# clipstead_layer_links(<target> <allowed>...): fails the configuration when <target> links,
# directly or through other targets, a target of the project that <allowed> does not name.
# Targets of the project are those that are neither imported nor aliases (Qt, FFmpeg and the
# other libraries are imported).
function(clipstead_layer_links target)
  set(allowed ${ARGN})
  set(seen)
  set(queue ${target})
  while(queue)
    list(POP_FRONT queue current)
    get_target_property(type ${current} TYPE)
    set(links)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${current} LINK_LIBRARIES)
      if(direct)
        list(APPEND links ${direct})
      endif()
    endif()
    get_target_property(usage ${current} INTERFACE_LINK_LIBRARIES)
    if(usage)
      list(APPEND links ${usage})
    endif()
    foreach(link IN LISTS links)
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
      if(NOT TARGET ${link} OR link IN_LIST seen)
        continue()
      endif()
      get_target_property(imported ${link} IMPORTED)
      get_target_property(aliased ${link} ALIASED_TARGET)
      if(imported OR aliased)
        continue()
      endif()
      list(APPEND seen ${link})
      if(NOT link IN_LIST allowed)
        message(FATAL_ERROR "Layer crossing: ${target} links ${link} (through ${current})")
      endif()
      list(APPEND queue ${link})
    endforeach()
  endwhile()
endfunction()

# clipstead_check_layers(): the link rule of every layered target that this build defines and
# of every plug-in module (`<plugins>` names them and their own libraries).
function(clipstead_check_layers)
  cmake_parse_arguments(L "" "" "PLUGINS" ${ARGN})
  foreach(entry IN LISTS CLIPSTEAD_LAYER_TARGETS)
    string(REGEX MATCH "^[^:]+" target "${entry}")
    string(REGEX REPLACE "^[^:]+:" "" allowed "${entry}")
    separate_arguments(allowed UNIX_COMMAND "${allowed}")
    if(TARGET ${target})
      clipstead_layer_links(${target} ${allowed})
    endif()
  endforeach()
  foreach(target IN LISTS L_PLUGINS)
    clipstead_layer_links(${target} ${CLIPSTEAD_PLUGIN_LINKS} ${L_PLUGINS})
  endforeach()
endfunction()
