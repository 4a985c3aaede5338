@echo off
rem Registers the controls of the kit from the folder this script is in.
cd /d "%~dp0"
set failed=0
for %%c in (Notaro.ocx Quillpad.ocx) do (
  if exist %%c (
    regsvr32 /s %%c
    if errorlevel 1 (
      echo Registering %%c failed.
      set failed=1
    ) else (
      echo Registered %%c.
    )
  )
)
exit /b %failed%
