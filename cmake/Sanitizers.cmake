if(LYNKOR_SANITIZE)
    message(STATUS "Sanitizers: ${LYNKOR_SANITIZE}")
    add_compile_options(-fsanitize=${LYNKOR_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${LYNKOR_SANITIZE})
endif()
if(LYNKOR_BUILD_FUZZERS)
    # Coverage instrumentation for everything the fuzz targets reach.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
