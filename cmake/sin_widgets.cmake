# Run at every build (see the top CMakeLists.txt): fails when a source of
# enlace3logic names a Widgets or Gui header by its module path
# (<QtWidgets/QLineEdit>, <QtGui>). The short form (<QLineEdit>) is not even on
# the logic's include path, so it fails in the compiler.
file(STRINGS "${LISTA}" fuentes)
foreach(fuente IN LISTS fuentes)
  file(STRINGS "${fuente}" lineas REGEX "^[ \t]*#[ \t]*include[ \t]*<Qt(Widgets|Gui)[/>]")
  if(lineas)
    message(FATAL_ERROR "${fuente} es de la lógica y no puede incluir una cabecera de ventanas: ${lineas}")
  endif()
endforeach()
