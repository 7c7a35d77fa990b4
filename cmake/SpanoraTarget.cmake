# spanora_warnings(target): our own code builds with every warning as an error.
function(spanora_warnings target)
  target_compile_options(${target} PRIVATE ${SPANORA_WARNINGS})
endfunction()
