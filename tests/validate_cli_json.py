#!/usr/bin/env python3
"""Checks kestrine-cli --json documents against the repository's schema with a standard
validator (python3-jsonschema): the schema itself, then each document file named."""
import json
import sys

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed")
    sys.exit(77)

with open(sys.argv[1], encoding="utf-8") as stream:
    schema = json.load(stream)
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)
failed = False
for name in sys.argv[2:]:
    with open(name, encoding="utf-8") as stream:
        for error in validator.iter_errors(json.load(stream)):
            print(f"{name}: {error.json_path}: {error.message}")
            failed = True
sys.exit(1 if failed else 0)
