# Man pages and shell completion of the installed programs.
