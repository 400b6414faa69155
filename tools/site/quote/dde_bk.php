<!DOCTYPE html>
<html lang="zh-CN"><head><meta charset="utf-8"><title>实时DEDE</title></head>
<body style="background:#101010;color:#e0e0e0"><h2>实时DEDE</h2></body></html>
