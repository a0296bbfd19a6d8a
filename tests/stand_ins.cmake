# The tests' stand-in servers, compiled once for the tests, the benchmarks and the stand-in
# program: a local HTTP server on a free port, and with the live host its scripted services
# (forecast, place search, GIBS, EUMETSAT) and model bucket.
add_library(nubivo_stand_ins STATIC
    ${PROJECT_SOURCE_DIR}/tests/support/free_port.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/local_server.cpp)
target_include_directories(nubivo_stand_ins PUBLIC ${PROJECT_SOURCE_DIR}/tests
    ${PROJECT_SOURCE_DIR})
target_compile_options(nubivo_stand_ins PRIVATE ${NUBIVO_WARNINGS})
target_link_libraries(nubivo_stand_ins PUBLIC PkgConfig::HTTPLIB Threads::Threads)
if(TARGET nubivo_live_host_lib)
    target_sources(nubivo_stand_ins PRIVATE
        ${PROJECT_SOURCE_DIR}/tests/hosts/live/scripted_bucket.cpp
        ${PROJECT_SOURCE_DIR}/tests/hosts/live/scripted_model.cpp
        ${PROJECT_SOURCE_DIR}/tests/hosts/live/scripted_upstream.cpp
        ${PROJECT_SOURCE_DIR}/tests/hosts/live/scripted_wms.cpp)
    target_link_libraries(nubivo_stand_ins PUBLIC nubivo_live_host_lib)
endif()
