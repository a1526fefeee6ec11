# The layers of src/, lowest first.  A folder may use its own layer and those below it, never one above:
# the shell (app) is the top, the windows' common parts (ui) sit under every subsystem, and the plain
# libraries (text, platform, results) under everything.  A new folder gets a row here before it builds.
set(VEXLIN_LAYERS
    "text platform results" # 0: plain C++ over the operating system, texts, the results store
    "ui"                    # 1: what every window uses: the form base, dialogs, services, globals
    "sysinfo battery screen keyboard audio gfx drives" # 2: the subsystems, each with its logic and windows
    "report"                # 3: the full test and the report, which drive the subsystems' windows
    "app"                   # 4: the shell: start-up, main window, menus
)

# The layer of a folder under src/ (its first path part), or -1 when the table does not name it.
function(vexlin_layer_of folder out)
    set(rank 0)
    foreach(row IN LISTS VEXLIN_LAYERS)
        string(REPLACE " " ";" names "${row}")
        if(folder IN_LIST names)
            set(${out} ${rank} PARENT_SCOPE)
            return()
        endif()
        math(EXPR rank "${rank} + 1")
    endforeach()
    set(${out} -1 PARENT_SCOPE)
endfunction()

# The layer of a target by the src/ folder it is defined in; -1 for targets outside src/.
function(vexlin_layer_of_target target out)
    get_target_property(dir ${target} SOURCE_DIR)
    file(RELATIVE_PATH relative "${PROJECT_SOURCE_DIR}/src" "${dir}")
    if(relative MATCHES "^\\.\\.")
        set(${out} -1 PARENT_SCOPE)
        return()
    endif()
    string(REGEX REPLACE "/.*" "" folder "${relative}")
    vexlin_layer_of("${folder}" rank)
    if(rank EQUAL -1)
        message(FATAL_ERROR "src/${folder} has no layer: give it a row in cmake/Layers.cmake")
    endif()
    set(${out} ${rank} PARENT_SCOPE)
endfunction()

# Fails the configuration when a library of src/ links one of a higher layer (a subsystem that links the
# shell, say), so the layers cannot be mixed up by a link line.
function(vexlin_check_layers)
    get_property(dirs DIRECTORY "${PROJECT_SOURCE_DIR}" PROPERTY SUBDIRECTORIES)
    set(targets)
    while(dirs)
        list(POP_FRONT dirs dir)
        get_property(here DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
        get_property(below DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
        list(APPEND targets ${here})
        list(APPEND dirs ${below})
    endwhile()
    foreach(target IN LISTS targets)
        vexlin_layer_of_target(${target} own)
        get_target_property(links ${target} LINK_LIBRARIES)
        if(own EQUAL -1 OR NOT links) # tests, probes and fuzzers may link anything
            continue()
        endif()
        foreach(link IN LISTS links)
            if(NOT TARGET ${link})
                continue()
            endif()
            get_target_property(imported ${link} IMPORTED)
            if(imported)
                continue()
            endif()
            vexlin_layer_of_target(${link} theirs)
            if(theirs GREATER own)
                message(FATAL_ERROR "${target} (layer ${own}) links ${link} (layer ${theirs}), a higher layer: "
                                    "a library may only use its own layer and those below (cmake/Layers.cmake)")
            endif()
        endforeach()
    endforeach()
endfunction()
