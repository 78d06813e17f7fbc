# Each module offers handle(request, Reply) -> Reply or None (None: not mine, try the next one).
