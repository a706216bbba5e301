# (filled in by the reliability work)
