# Warnings apply to our own targets only; call lynkor_set_warnings(<target>) on each.
function(lynkor_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(LYNKOR_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
