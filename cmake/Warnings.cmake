# One warning set for every target of the project; third-party headers are included as
# system headers and stay quiet.
set(MAILMOAT_WARNINGS
  -Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual -Wformat=2
  -Wshadow=local -Wimplicit-fallthrough)
if(MAILMOAT_WERROR)
  list(APPEND MAILMOAT_WARNINGS -Werror)
endif()

function(mailmoat_target_warnings target)
  target_compile_options(${target} PRIVATE ${MAILMOAT_WARNINGS})
endfunction()
