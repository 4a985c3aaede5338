@echo off
rem Removes the registration of the kit's controls.
cd /d "%~dp0"
for %%c in (Notaro.ocx Quillpad.ocx) do (
  if exist %%c regsvr32 /s /u %%c
)
