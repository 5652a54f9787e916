"""A validator for the part of JSON Schema that docs/formix-json.schema.json
uses: type, const, enum, required, properties, additionalProperties,
items, oneOf, minimum and local $ref."""


def _type_ok(value, name):
    if name == "integer":
        return isinstance(value, int) and not isinstance(value, bool)
    if name == "number":
        return isinstance(value, (int, float)) and not isinstance(value, bool)
    return isinstance(value, {"string": str, "boolean": bool, "null": type(None),
                              "object": dict, "array": list}[name])


def errors(value, schema, root=None, path="$"):
    """The list of places where `value` breaks `schema` (empty when valid)."""
    root = root or schema
    if "$ref" in schema:
        target = root
        for part in schema["$ref"].lstrip("#/").split("/"):
            target = target[part]
        return errors(value, target, root, path)
    found = []
    if "type" in schema:
        types = schema["type"] if isinstance(schema["type"], list) else [schema["type"]]
        if not any(_type_ok(value, t) for t in types):
            return [f"{path}: {value!r} is not {types}"]
    if "const" in schema and value != schema["const"]:
        found.append(f"{path}: {value!r} is not {schema['const']!r}")
    if "enum" in schema and value not in schema["enum"]:
        found.append(f"{path}: {value!r} is not one of {schema['enum']}")
    if "minimum" in schema and isinstance(value, (int, float)) and value < schema["minimum"]:
        found.append(f"{path}: {value} < {schema['minimum']}")
    if "oneOf" in schema:
        matches = sum(not errors(value, s, root, path) for s in schema["oneOf"])
        if matches != 1:
            found.append(f"{path}: matches {matches} of oneOf")
    if isinstance(value, dict):
        for key in schema.get("required", []):
            if key not in value:
                found.append(f"{path}: {key} missing")
        properties = schema.get("properties", {})
        for key, member in value.items():
            if key in properties:
                found += errors(member, properties[key], root, f"{path}.{key}")
            elif schema.get("additionalProperties", True) is False:
                found.append(f"{path}: unexpected {key}")
    if isinstance(value, list) and "items" in schema:
        for i, item in enumerate(value):
            found += errors(item, schema["items"], root, f"{path}[{i}]")
    return found
