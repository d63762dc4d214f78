# tessavin-shader's output forms: errors as FILE(LINE,COL): error: message
# with status 1, an effect file's passes, --constants and --es.
# cmake -DTOOL=tessavin-shader [-DEMULATOR=...] -P ShaderToolOutput.cmake, from the repository root.

function(run_tool expected_status stdout_regex stderr_regex)
  execute_process(COMMAND ${EMULATOR} ${TOOL} ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  # Windows writes text with CRLF line ends.
  string(REPLACE "\r" "" out "${out}")
  string(REPLACE "\r" "" err "${err}")
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "tessavin-shader ${ARGN}: status ${status}, not ${expected_status}\n${out}${err}")
  endif()
  if(NOT out MATCHES "${stdout_regex}")
    message(FATAL_ERROR "tessavin-shader ${ARGN}: standard output does not match ${stdout_regex}:\n${out}")
  endif()
  if(NOT err MATCHES "${stderr_regex}")
    message(FATAL_ERROR "tessavin-shader ${ARGN}: standard error does not match ${stderr_regex}:\n${err}")
  endif()
endfunction()

set(data tests/data/shader)
run_tool(1 "^$" "^${data}/Broken.psh\\(3,[0-9]+\\): error: [^\n]+\n" ${data}/Broken.psh -T ps_2_0)
run_tool(1 "^$" "^${data}/Missing.fx\\(1,1\\): error: " ${data}/Missing.fx)
# A plain file's name gives its profile; another kind of file needs -T.
run_tool(1 "^$" "^${data}/Broken.psh\\(3,[0-9]+\\): error: " ${data}/Broken.psh)
run_tool(1 "^$" "error: no technique names an entry" ${data}/include/Tint.fxh)
run_tool(0 "^#version 330\n" "^$" ${data}/Plain.fx --glsl) # a filter's .fx without techniques
run_tool(1 "^$" "${data}/Tint.fx\\(1,1\\): error: no entry main\n" ${data}/Tint.fx -T ps_2_0 -E main)
run_tool(0 "// technique Main, pass Plain: ps_2_0 Tinted\nAmount +c0 +float +0.5 +< string UIName = \"Amount\"; >\nImage +s0 +sampler[^/]+// technique Main, pass Inverted"
         "^$" ${data}/Tint.fx --constants)
run_tool(0 "^#version 300 es\n" "^$" ${data}/Tint.fx -E Tinted --es)
run_tool(0 "^#version 330\n" "^$" ${data}/Tint.fx -D UNUSED=1 -E Tinted -T ps_3_0 --glsl)
run_tool(2 "" "--glsl" ${data}/Tint.fx --glsl --es)
