# The document exchange's readers of outside data: page text through the
# form processing's string helpers and file names a page passes. The exchange
# sources are compiled again with coverage.
kit_fuzz_library(kit_fuzz_exchange kit_exchange)
if(TARGET kit_fuzz_exchange)
  # Seeds written at configure time: the callers' own rules.
  set(_seeds ${KIT_FUZZ_DIR}/seeds)
  # (The two length bytes as characters; CMake strings hold no NUL, so the
  # second one is 8, which the harness takes as 0.)
  string(ASCII 1 _one)
  string(ASCII 2 _two)
  string(ASCII 4 _four)
  string(ASCII 5 _five)
  string(ASCII 8 _none)
  file(WRITE ${_seeds}/fuzz_text_helpers/scheme "${_five}${_four}httpshttp<a href=\"https://x/\">HTTPS</a>")
  file(WRITE ${_seeds}/fuzz_text_helpers/tag "${_one}${_none}><input name=\"f\" value=\"1\">")
  file(WRITE ${_seeds}/fuzz_text_helpers/grow "${_one}${_two}aaab-a-")

  kit_fuzz_target(fuzz_text_helpers fuzz_text_helpers.cpp kit_fuzz_exchange 8192)

  # Upload pages: the first byte is the length of the file name before the page.
  set(_pages ${_seeds}/fuzz_form_scan)
  string(ASCII 5 _n5)
  string(ASCII 14 _n14)
  file(WRITE ${_pages}/quoted "${_n5}b.doc<html><FORM ACTION=\"up.jsp\" METHOD=post><input type=\"file\" name=\"attach\"><input type=\"checkbox\" name=\"d1\" value=\"a.doc\"><input type=\"checkbox\" name=\"d2\" value=\"b.doc\"></FORM>")
  file(WRITE ${_pages}/bare "${_n5}a.doc<form action=/oa/up.jsp><input type=file name=attach size=40><input type=checkbox name=d value=a.doc></form>")
  file(WRITE ${_pages}/upper "${_n14}REPORTFILE.DOC<FORM><INPUT TYPE=FILE NAME=F><INPUT TYPE=\"checkbox\" NAME=\"R\" VALUE=\"REPORTFILE.DOC\"></FORM>")
  file(WRITE ${_pages}/two-forms "${_n5}a.doc<formation><form action=\"s.jsp\"><input name=q></form><form action=https://x/u><input type=\"file\" name=\"f\"></form>")
  file(WRITE ${_pages}/unclosed "${_n5}a.doc<p><form action=\"up.jsp\"><input type=file name=f>")
  file(WRITE ${_pages}/words "${_n5}a.doc<FORM ACTIONAME=x ACTION=\"FILEFORM\"><a title=\"<form x\">NAMETYPEFILE<form><INPUT TYPE=FILE NAME=ACTIONAME></FORM>")
  kit_fuzz_target(fuzz_form_scan fuzz_form_scan.cpp kit_fuzz_exchange 8192)
endif()
