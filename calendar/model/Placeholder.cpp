// Placeholder: calendar model sources are added beside this file.
